// Buffer layouts, resources and the vertex-to-pixel interface shared by every engine
// shader. Each cbuffer member sits where std140 puts it, so the layouts survive the
// translation to GLSL. Matrices arrive transposed: mul(rowVector, Matrix) as usual.
#ifndef VORNIS_SHADER_STRUCTS_FX
#define VORNIS_SHADER_STRUCTS_FX

cbuffer TransformConstants : register(b0)
{
    float4x4 World;
    float4x4 View;
    float4x4 Projection;
    float4x4 WorldViewProjection;
    float4 CustomValues;    // the first four custom shader values
    float ShaderTimer;      // the fifth custom value
    float TotalTime;        // seconds since start
    float TangentSign;      // -1 for right-handed tangent space, else +1
    float CubemapRotation;  // radians about the Y axis
};

cbuffer ShadingConstants : register(b3)
{
    float3 Eye;
    float EyeW;
    float4 LightDirection;  // the direction the light travels; w is 1
    float4 LightColor;      // colour x intensity
    uint2 CubeMapInfo;      // mip count, chosen mip of the sky
    uint VertexColorMode;   // non-zero: vertex colour 0 tints the albedo
    uint BoneView;          // the bone-weight view of the draw: see BoneViewWord, 0 off
    float2 ScreenSize;
};

// UV set index of every texture slot of the mesh's texture set (slot 0 albedo, 1 material,
// 2 normal map, 3 second normal map).
cbuffer TextureSlotConstants : register(b1)
{
    uint4 TextureSlots[8];
};

Texture2D AlbedoTexture : register(t0);
Texture2D MaterialTexture : register(t1);
Texture2D NormalTexture : register(t2);
Texture2D DetailNormalTexture : register(t3);
TextureCube SkyCube : register(t11);
SamplerState LinearSampler : register(s0);

struct VertexToPixel {
    float4 position : SV_Position;
    float3 worldPosition : TEXCOORD0;
    float3 normal : NORMAL0;
    float3 tangent : TANGENT0;
    float3 binormal : BINORMAL0;
    float4 uv01 : TEXCOORD1;  // UV sets 0 and 1
    float4 uv23 : TEXCOORD2;  // UV sets 2 and 3
    float4 color : COLOR0;
    float3 objectNormal : TEXCOORD3;
    float3 cubeDirection : TEXCOORD4;
    float2 boneView : TEXCOORD5;  // the bone-weight view: chosen joint's weight, joint count
};

static const float PI = 3.14159265;
static const uint BoneViewJointCount = 0x20000u;  // kBoneViewJointCount

float2 SlotUV(VertexToPixel input, uint slot)
{
    uint set = TextureSlots[slot / 4][slot % 4];
    if (set == 1)
        return input.uv01.zw;
    if (set == 2)
        return input.uv23.xy;
    if (set == 3)
        return input.uv23.zw;
    return input.uv01.xy;
}

// Turns a world direction into the sky's frame: the sky is rotated about Y.
float3 RotateToSky(float3 direction)
{
    float s = sin(CubemapRotation);
    float c = cos(CubemapRotation);
    return float3(c * direction.x - s * direction.z, direction.y, s * direction.x + c * direction.z);
}

#endif
