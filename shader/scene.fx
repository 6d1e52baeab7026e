// The application's scene: triangle meshes in their vertex or material colours, with an
// optional diffuse texture, lit by one fixed directional light and a constant ambient part.

cbuffer cbPerObject
{
    float4x4 g_matWorld;                 // model to world, for the normals
    float4x4 g_matWorldViewProjection;   // model to clip space
    bool g_hasTexture;                   // multiply by g_texDiffuse
};

Texture2D g_texDiffuse;

SamplerState SSMeshLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Wrap;
    AddressV = Wrap;
    AddressW = Wrap;
};

// Models come with either winding; both sides are drawn.
RasterizerState RSMeshNoCulling
{
    CullMode = NONE;
};

DepthStencilState DSMeshDepth
{
    DepthEnable = TRUE;
    DepthWriteMask = ALL;
    DepthFunc = LESS;
};

BlendState BSMeshOpaque
{
    BlendEnable[0] = FALSE;
    RenderTargetWriteMask[0] = 0x0F;
};

// Towards the light: from above, a little to the right and in front of the default view.
static const float3 LIGHT_DIRECTION = float3(0.36f, 0.8f, -0.48f);
static const float AMBIENT = 0.3f;

struct MeshVertexIn
{
    float3 position : POSITION;
    float3 normal : NORMAL;
    float4 color : COLOR;
    float2 texCoord : TEXCOORD;
};

struct MeshVertexOut
{
    float4 position : SV_Position;
    float3 normal : NORMAL;
    float4 color : COLOR;
    float2 texCoord : TEXCOORD0;
};

MeshVertexOut VSMesh(MeshVertexIn input)
{
    MeshVertexOut output;
    output.position = mul(float4(input.position, 1.0f), g_matWorldViewProjection);
    output.normal = mul(float4(input.normal, 0.0f), g_matWorld).xyz;
    output.color = input.color;
    output.texCoord = input.texCoord;
    return output;
}

// A vertex without a normal (all zero) is lit fully.
float4 PSMesh(MeshVertexOut input) : SV_Target
{
    const float normalLength = dot(input.normal, input.normal);
    const float lambert = normalLength > 0.0f ? saturate(dot(input.normal * rsqrt(normalLength), LIGHT_DIRECTION)) : 1.0f;
    float4 color = input.color;
    if (g_hasTexture)
        color *= g_texDiffuse.Sample(SSMeshLinear, input.texCoord);
    return float4(color.rgb * (AMBIENT + (1.0f - AMBIENT) * lambert), color.a);
}

technique11 RenderScene
{
    pass RenderMesh
    {
        SetVertexShader(CompileShader(vs_5_0, VSMesh()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PSMesh()));
        SetRasterizerState(RSMeshNoCulling);
        SetDepthStencilState(DSMeshDepth, 0);
        SetBlendState(BSMeshOpaque, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
    }
}
