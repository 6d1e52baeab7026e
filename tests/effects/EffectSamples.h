#pragma once
// Effect sources that exercise the compiler and the runtime: packing rules, state blocks,
// techniques with uniform arguments, kernels' constants. Tests compile them, and the fuzz
// targets take them as seeds.

namespace qz::test {

// A constant buffer whose offsets follow every packing rule.
inline const char* const kPacked = R"(
cbuffer Packed {
    float a;
    float3 b;
    float2 c;
    float3 d;
    float4x4 m;
    float e;
    float2 arr[3];
    float f;
    row_major float3x2 r;
    float g;
    bool h;
    int2 i;
    float3x2 cm;
    uint j;
};
)";

// State blocks of every kind, two techniques, uniform arguments, a shader variable and
// a vertex shader input signature from a struct and a parameter.
inline const char* const kTechniques = R"(
cbuffer cb { float4 color; };
BlendState Blending {
    BlendEnable[0] = TRUE;
    SrcBlend = src_alpha;
    DestBlend = INV_SRC_ALPHA;
    BlendOp = ADD;
    SrcBlendAlpha = ONE;
    DestBlendAlpha = ONE;
    BlendOpAlpha = ADD;
    RenderTargetWriteMask[0] = 0x0F;
};
DepthStencilState NoDepth { DepthEnable = FALSE; DepthWriteMask = ALL; DepthFunc = Less; };
RasterizerState NoCull { CullMode = None; };
SamplerState Linear { Filter = MIN_MAG_MIP_LINEAR; AddressU = Clamp; AddressV = WRAP; AddressW = Border;
                      BorderColor = float4(0.25, 0.5, 0.75, 1); MaxLOD = 3; };
struct VSIn { float3 pos : POSITION; float4 colour : COLOR0; uint id : SV_VertexID; };
struct PSIn { float4 pos : SV_Position; float2 uv : TEXCOORD3; };
PSIn VS(VSIn input, float2 uv : TEXCOORD1, uniform float scale) { PSIn o = (PSIn)0; return o; }
float4 PS(PSIn input, uniform int mode) : SV_Target { return color; }
float4 PS(PSIn input) : SV_Target { return color; }
VertexShader shared = CompileShader(vs_5_0, VS(2.0));
technique11 Draw {
    pass First {
        SetVertexShader(CompileShader(vs_5_0, VS(1.0f)));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, PS(-1)));
        SetBlendState(Blending, float4(0, 0, 0, 0), 0xFFFFFFFF);
        SetDepthStencilState(NoDepth, 3);
        SetRasterizerState(NoCull);
    }
    pass Second {
        SetVertexShader(shared);
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetBlendState(NULL, float4(1, 1, 1, 1), 0xF);
    }
}
technique10 Old { pass { } }
)";

// Variables of every kind the runtime hands out, and passes with and without kernels.
inline const char* const kRuntime = R"(
cbuffer cbPerDraw {
    float4 g_color : Tint;
    float2 g_offset;
    float g_scale;
    int g_mode;
    row_major float4x4 g_rowMatrix;
    float4x4 g_columnMatrix;
    float3x3 g_small;
    float4 g_list[3];
};
Texture2D g_texture;
RWTexture2D<float4> g_output;
SamplerState g_sampler { Filter = MIN_MAG_MIP_POINT; };
BlendState Additive { BlendEnable[0] = TRUE; SrcBlend = ONE; DestBlend = ONE; };
DepthStencilState NoDepth { DepthEnable = FALSE; };
RasterizerState NoCull { CullMode = NONE; };
struct VSIn { float4 pos : POSITION; };
float4 VS(VSIn input) : SV_Position { return input.pos; }
float4 PS(float4 p : SV_Position, uniform int variant) : SV_Target { return g_color * variant; }
technique11 Main {
    pass Solid {
        SetVertexShader(CompileShader(vs_5_0, VS()));
        SetPixelShader(CompileShader(ps_5_0, PS(1)));
        SetBlendState(Additive, float4(0, 0, 0, 0), 0xFFFFFFFF);
        SetDepthStencilState(NoDepth, 0);
        SetRasterizerState(NoCull);
    }
    pass Double {
        SetVertexShader(CompileShader(vs_5_0, VS()));
        SetPixelShader(CompileShader(ps_5_0, PS(2)));
    }
    pass Unknown {
        SetVertexShader(CompileShader(vs_5_0, VS()));
        SetPixelShader(CompileShader(ps_5_0, PS(3)));
        SetRasterizerState(NoCull);
    }
}
)";

}  // namespace qz::test
