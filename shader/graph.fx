// The 2D overlay: filled rectangles and images, drawn as 4-vertex triangle strips
// without vertex buffers, blended over the finished frame.

cbuffer cbPerFrame
{
    float2 g_graphPos;       // top-left corner, normalised device coordinates
    float2 g_graphSize;      // width and height in the same units (height negative: down)
    float4 g_graphColor;     // fill colour, or the image's tint
    float g_rotationAngle;   // of the image about its centre, radians
};

Texture2D g_texImage;

SamplerState SSLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Clamp;
    AddressV = Clamp;
    AddressW = Clamp;
};

BlendState BSAlphaBlending
{
    BlendEnable[0] = TRUE;
    SrcBlend = SRC_ALPHA;
    DestBlend = INV_SRC_ALPHA;
    BlendOp = ADD;
    SrcBlendAlpha = ONE;
    DestBlendAlpha = ONE;
    BlendOpAlpha = ADD;
    RenderTargetWriteMask[0] = 0x0F;
};

DepthStencilState DSDisableDepth
{
    DepthEnable = FALSE;
    DepthWriteMask = ZERO;
};

struct GraphVertex
{
    float4 position : SV_Position;
    float2 texCoord : TEXCOORD0;
};

static const float PI = 3.14159265f;

// Vertex i of the strip is corner (i & 1, (i >> 1) & 1) of the rectangle.
GraphVertex VSGraph(uint vertexId : SV_VertexID)
{
    GraphVertex output;
    const float2 corner = float2(vertexId & 1, (vertexId >> 1) & 1);
    output.position = float4(g_graphPos + corner * g_graphSize, 0.0f, 1.0f);
    output.texCoord = corner;
    return output;
}

// The texture coordinate turned about the image's centre by g_rotationAngle.
float2 RotatedTexCoord(float2 texCoord)
{
    const float2 p = 2.0f * texCoord - 1.0f;
    const float r = length(p);
    float phi = atan2(p.y, p.x) + g_rotationAngle;
    if (phi > PI)
        phi -= 2.0f * PI;
    else if (phi < -PI)
        phi += 2.0f * PI;
    return 0.5f + 0.5f * r * float2(cos(phi), sin(phi));
}

float4 PSGraph(GraphVertex input, uniform bool textured) : SV_Target
{
    if (!textured)
        return g_graphColor;
    const float2 texCoord = g_rotationAngle != 0.0f ? RotatedTexCoord(input.texCoord) : input.texCoord;
    return g_texImage.Sample(SSLinear, texCoord) * g_graphColor;
}

technique11 RenderGraphs
{
    pass RenderBackground
    {
        SetVertexShader(CompileShader(vs_5_0, VSGraph()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PSGraph(false)));
        SetBlendState(BSAlphaBlending, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetDepthStencilState(DSDisableDepth, 0);
    }

    pass RenderBackgroundImage
    {
        SetVertexShader(CompileShader(vs_5_0, VSGraph()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PSGraph(true)));
        SetBlendState(BSAlphaBlending, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetDepthStencilState(DSDisableDepth, 0);
    }
}
