// Vertex shaders of the engine's variants. The macros say which attributes the vertex
// carries; the inputs appear in the order of the variant's layout.
#include "ShaderStructs.fx"

StructuredBuffer<float4x4> BonePalette : register(t15);

struct VertexInput {
    float4 position : POSITION;
#ifdef NORMALS
    float4 normal : NORMAL;
#endif
#ifdef TANBINORM
    float4 tangent : TANGENT;
    float4 binormal : BINORMAL;
#endif
#ifdef TEXSETS
    float2 uv0 : TEXCOORD1;
    float2 uv1 : TEXCOORD2;
    float2 uv2 : TEXCOORD3;
    float2 uv3 : TEXCOORD4;
#else
    float2 uv0 : TEXCOORD0;
#endif
#ifdef USEVERTEXCOLORS
    float4 color0 : COLOR0;
    float4 color1 : COLOR1;
    float4 color2 : COLOR2;
    float4 color3 : COLOR3;
#endif
#ifdef BONESWEIGHTS
    float4 bones : BONES;  // indices stored as floats
    float4 weights : WEIGHTS;
#endif
};

struct FullscreenInput {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
};

float4x4 SkinMatrix(VertexInput input)
{
#ifdef BONESWEIGHTS
    float total = input.weights.x + input.weights.y + input.weights.z + input.weights.w;
    if (total > 0.0001) {
        // Indices beyond the palette are clamped rather than read out of bounds.
        uint4 bone = min((uint4)max(input.bones, 0.0), uint4(255, 255, 255, 255));
        return BonePalette[bone.x] * input.weights.x + BonePalette[bone.y] * input.weights.y +
               BonePalette[bone.z] * input.weights.z + BonePalette[bone.w] * input.weights.w;
    }
#endif
    return float4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

// The bone-weight view (BoneView non-zero): the chosen joint's weight and how many joints
// move the vertex. The low 16 bits of BoneView are the joint's palette index + 1; a mesh
// without that joint or without bones has neither.
float2 BoneViewValues(VertexInput input)
{
#ifdef BONESWEIGHTS
    if (BoneView != 0u) {
        float chosen = (float)(BoneView & 0xFFFFu) - 1.0;
        float4 isChosen = step(abs(input.bones - chosen), float4(0.5, 0.5, 0.5, 0.5));
        float4 used = step(float4(1e-6, 1e-6, 1e-6, 1e-6), input.weights);
        return float2(dot(isChosen, input.weights), dot(used, float4(1.0, 1.0, 1.0, 1.0)));
    }
#endif
    return float2(0.0, 0.0);
}

// Everything but the clip position: world-space frame, UV sets, colour.
VertexToPixel ShadeVertex(VertexInput input, float4x4 skin)
{
    VertexToPixel output = (VertexToPixel)0;
    float4 objectPosition = mul(float4(input.position.xyz, 1.0), skin);
    output.worldPosition = mul(objectPosition, World).xyz;
    float3 objectNormal = float3(0.0, 1.0, 0.0);
#ifdef NORMALS
    objectNormal = mul(float4(input.normal.xyz, 0.0), skin).xyz;
#endif
    output.objectNormal = objectNormal;
    output.normal = normalize(mul(float4(objectNormal, 0.0), World).xyz);
#ifdef TANBINORM
    output.tangent = normalize(mul(mul(float4(input.tangent.xyz, 0.0), skin), World).xyz);
    output.binormal = normalize(mul(mul(float4(input.binormal.xyz, 0.0), skin), World).xyz);
#else
    // No tangent frame: build one around the normal so normal maps still read sensibly.
    float3 helper = abs(output.normal.y) < 0.99 ? float3(0.0, 1.0, 0.0) : float3(1.0, 0.0, 0.0);
    output.tangent = normalize(cross(helper, output.normal));
    output.binormal = cross(output.normal, output.tangent);
#endif
#ifdef TEXSETS
    output.uv01 = float4(input.uv0, input.uv1);
    output.uv23 = float4(input.uv2, input.uv3);
#else
    output.uv01 = float4(input.uv0, input.uv0);
    output.uv23 = float4(input.uv0, input.uv0);
#endif
#ifdef USEVERTEXCOLORS
    output.color = input.color0;
#else
    output.color = float4(1.0, 1.0, 1.0, 1.0);
#endif
    output.cubeDirection = input.position.xyz;
    output.boneView = BoneViewValues(input);
    return output;
}

VertexToPixel VertexShader_Combined(VertexInput input)
{
    VertexToPixel output = ShadeVertex(input, SkinMatrix(input));
    output.position = mul(mul(float4(output.worldPosition, 1.0), View), Projection);
    return output;
}

// Keeps its size on screen wherever the camera is: the light marker.
VertexToPixel VertexShader_PosNormBitanTexScreenSpace(VertexInput input)
{
    VertexToPixel output = ShadeVertex(input, SkinMatrix(input));
    float4 origin = mul(mul(float4(0.0, 0.0, 0.0, 1.0), World), View);
    float4 offset = mul(float4(output.worldPosition, 1.0), View) - origin;
    float scale = max(origin.z, 0.001) * 0.05;
    float4 viewPosition = float4(origin.xyz + offset.xyz * scale, 1.0);
    output.position = mul(viewPosition, Projection);
    return output;
}

// The sky cube: follows the camera's rotation only and lies on the far plane.
VertexToPixel VertexShader_PosNormBitanTexCube(VertexInput input)
{
    VertexToPixel output = ShadeVertex(input, SkinMatrix(input));
    float3 viewDirection = mul(float4(input.position.xyz, 0.0), View).xyz;
    float4 clip = mul(float4(viewDirection, 1.0), Projection);
    output.position = float4(clip.xy, clip.w * 0.99999, clip.w);
    output.cubeDirection = input.position.xyz;
    return output;
}

VertexToPixel VertexShader_FullscreenQuad(FullscreenInput input)
{
    VertexToPixel output = (VertexToPixel)0;
    output.position = float4(input.position.xyz, 1.0);
    output.uv01 = float4(input.uv, input.uv);
    output.uv23 = float4(input.uv, input.uv);
    output.color = float4(1.0, 1.0, 1.0, 1.0);
    return output;
}
