// Turns an equirectangular HDR panorama into the sky cube map: one pass draws a cube face
// from the panorama, another fills each lower mip with the sky as a GGX lobe of the mip's
// roughness sees it (mip m of n stands for roughness m / (n - 1), as the shaders read it).
// Drawn over the fullscreen quad, one face and mip at a time.
#include "ShaderStructs.fx"

cbuffer SkyConversionConstants : register(b4)
{
    uint Face;            // +X, -X, +Y, -Y, +Z, -Z
    uint PanoramaTaps;    // per axis, for a panorama finer than the face
    uint LobeSamples;
    uint ConversionReserved;
    float LobeAlpha;      // GGX alpha of the mip being filled
    float SourceFaceSize; // texels on a side of the source cube's top level
    float SourceMaxMip;
    float ConversionReserved2;
};

Texture2D Panorama : register(t0);
TextureCube SourceSky : register(t12);

// The direction through face point (u, v), both -1..1 with v growing downwards: Direct3D's
// cube-face layout, which the DDS skies use too.
float3 FaceDirection(uint face, float u, float v)
{
    if (face == 0)
        return normalize(float3(1.0, -v, -u));
    if (face == 1)
        return normalize(float3(-1.0, -v, u));
    if (face == 2)
        return normalize(float3(u, 1.0, v));
    if (face == 3)
        return normalize(float3(u, -1.0, -v));
    if (face == 4)
        return normalize(float3(u, -v, 1.0));
    return normalize(float3(-u, -v, -1.0));
}

// The panorama's centre looks along +Z, its right quarter along +X, its top row is +Y.
float2 PanoramaUV(float3 d)
{
    float u = 0.5 + atan2(d.x, d.z) / (2.0 * PI);
    float v = acos(clamp(d.y, -1.0, 1.0)) / PI;
    return float2(u, v);
}

float4 PixelShader_PanoramaToFace(VertexToPixel input) : SV_Target
{
    float width, height;
    Panorama.GetDimensions(width, height);
    // Face texel size, taken from the interpolated quad coordinates.
    float2 texel = fwidth(input.uv01.xy);
    float3 sum = float3(0.0, 0.0, 0.0);
    for (uint y = 0; y < PanoramaTaps; ++y) {
        for (uint x = 0; x < PanoramaTaps; ++x) {
            float2 offset = (float2(x, y) + 0.5) / PanoramaTaps - 0.5;
            float2 uv = input.uv01.xy + offset * texel;
            float3 d = FaceDirection(Face, uv.x * 2.0 - 1.0, uv.y * 2.0 - 1.0);
            float2 p = PanoramaUV(d);
            // Rows wrap at the poles into the far side, never into the other pole.
            p.y = clamp(p.y, 0.5 / height, 1.0 - 0.5 / height);
            sum += Panorama.SampleLevel(LinearSampler, p, 0.0).rgb;
        }
    }
    return float4(sum / (PanoramaTaps * PanoramaTaps), 1.0);
}

float RadicalInverse(uint bits)
{
    bits = (bits << 16u) | (bits >> 16u);
    bits = ((bits & 0x55555555u) << 1u) | ((bits & 0xAAAAAAAAu) >> 1u);
    bits = ((bits & 0x33333333u) << 2u) | ((bits & 0xCCCCCCCCu) >> 2u);
    bits = ((bits & 0x0F0F0F0Fu) << 4u) | ((bits & 0xF0F0F0F0u) >> 4u);
    bits = ((bits & 0x00FF00FFu) << 8u) | ((bits & 0xFF00FF00u) >> 8u);
    return float(bits) * 2.3283064365386963e-10;
}

// GGX lobe around the texel's direction with the view along it, cosine weighted like the
// bundled skies' baker. Each sample reads the source mip whose texels cover the sample's
// share of the lobe, so few samples give a smooth result.
float4 PixelShader_PrefilterSky(VertexToPixel input) : SV_Target
{
    float3 n = FaceDirection(Face, input.uv01.x * 2.0 - 1.0, input.uv01.y * 2.0 - 1.0);
    float3 up = abs(n.y) < 0.999 ? float3(0.0, 1.0, 0.0) : float3(1.0, 0.0, 0.0);
    float3 tangent = normalize(cross(up, n));
    float3 bitangent = cross(n, tangent);
    float a2 = LobeAlpha * LobeAlpha;
    float texelSolidAngle = 4.0 * PI / (6.0 * SourceFaceSize * SourceFaceSize);
    float3 sum = float3(0.0, 0.0, 0.0);
    float weights = 0.0;
    for (uint i = 0; i < LobeSamples; ++i) {
        float e1 = float(i) / LobeSamples;
        float e2 = RadicalInverse(i);
        float phi = 2.0 * PI * e1;
        float cosTheta = sqrt((1.0 - e2) / (1.0 + (a2 - 1.0) * e2));
        float sinTheta = sqrt(max(0.0, 1.0 - cosTheta * cosTheta));
        float3 h = float3(sinTheta * cos(phi), sinTheta * sin(phi), cosTheta);
        float3 l = h * (2.0 * h.z) - float3(0.0, 0.0, 1.0);
        if (l.z <= 0.0)
            continue;
        // With the view along the normal the pdf of l is D(h) / 4.
        float q = cosTheta * cosTheta * (a2 - 1.0) + 1.0;
        float pdf = a2 / (PI * q * q) / 4.0;
        float sampleSolidAngle = 1.0 / (LobeSamples * pdf + 1e-6);
        float mip = clamp(0.5 * log2(sampleSolidAngle / texelSolidAngle) + 1.0, 0.0, SourceMaxMip);
        float3 world = tangent * l.x + bitangent * l.y + n * l.z;
        sum += SourceSky.SampleLevel(LinearSampler, world, mip).rgb * l.z;
        weights += l.z;
    }
    return float4(sum / max(weights, 1e-6), 1.0);
}
