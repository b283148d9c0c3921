#include "common.fxh"
float4x4 matworld : WORLD;      // binds row 0 by its name
float4x4 View : MatWorld;       /* a semantic binds nothing */
shared float LocalTime;
static float hidden = 1;
row_major float3x4 Bones[2];
float4 PointLightPos[4] : POSITION < string UIName = "lights"; int count = 4; >;
texture Tex0 < string name = "a.png"; >;
sampler Samp0 = sampler_state { Texture = <Tex0>; MinFilter = Linear; };
struct VSOut { float4 pos : POSITION; float2 uv[2] : TEXCOORD0; };
VSOut Material;
VSOut vs_main(float4 p : POSITION) { VSOut o; o.pos = p; o.uv[0] = 0; o.uv[1] = 0; return o; }
float4 ps_main(VSOut i) : COLOR { return tex2D(Samp0, i.uv[0]); }
technique Basic < int MaxPointLight = 4; bool MaxSpotLight = true; float MaxMultiRT = 2.7; string OptionFlags = "x"; >
{
    pass P0 { VertexShader = compile vs_2_0 vs_main(); PixelShader = compile ps_2_0 ps_main(); }
    pass P1 < string note = "second"; > { }
}
technique Plain { pass { } }
