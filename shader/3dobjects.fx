// Lines and faces of simple 3D objects (the volume's bounding box) in one colour.

cbuffer cbOncePerFrame
{
    float4x4 g_matWorldViewProjection;
    float4 g_color;
};

RasterizerState RSNoCulling
{
    CullMode = NONE;
};

DepthStencilState DSEnableDepth
{
    DepthEnable = TRUE;
    DepthWriteMask = ALL;
    DepthFunc = LESS;
};

float4 VSObject(float3 position : POSITION) : SV_Position
{
    return mul(float4(position, 1.0f), g_matWorldViewProjection);
}

float4 PSObject() : SV_Target
{
    return g_color;
}

technique11 RenderLines
{
    pass Lines
    {
        SetVertexShader(CompileShader(vs_5_0, VSObject()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PSObject()));
        SetRasterizerState(RSNoCulling);
        SetDepthStencilState(DSEnableDepth, 0);
    }
}
