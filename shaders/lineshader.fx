// Coloured world-space line segments (the skeleton display).
cbuffer LineConstants : register(b0)
{
    float4x4 LineWorld;
    float4x4 LineView;
    float4x4 LineProjection;
};

struct LineInput {
    float3 position : POSITION;
    float4 color : TEXCOORD0;
};

struct LineToPixel {
    float4 position : SV_Position;
    float4 color : COLOR0;
};

LineToPixel VShader(LineInput input)
{
    LineToPixel output;
    float4 world = mul(float4(input.position, 1.0), LineWorld);
    output.position = mul(mul(world, LineView), LineProjection);
    output.color = input.color;
    return output;
}

float4 PShader(LineToPixel input) : SV_Target
{
    return input.color;
}
