// The engine's pixel shaders: metallic-roughness shading, the fullscreen tone-mapping pass,
// grid, sky, the channel views and the bone-weight view. Outputs of the model shaders are linear HDR; only
// FullscreenQuad brings them to the display.
#include "ShaderStructs.fx"

// ---- Material channels --------------------------------------------------------------
// USETEXTUREPACKING (default): R ambient occlusion, G roughness, B metalness,
// A emissive mask. Without it: R metalness, G ambient occlusion, B emissive mask,
// A smoothness (roughness = 1 - A).
struct Material {
    float3 albedo;  // linear
    float alpha;
    float roughness;
    float metalness;
    float occlusion;
    float emissiveMask;
};

float4 SampleAlbedo(VertexToPixel input)
{
    float4 albedo = AlbedoTexture.Sample(LinearSampler, SlotUV(input, 0));
    if (VertexColorMode != 0)
        albedo *= input.color;
    return albedo;
}

Material ReadMaterial(VertexToPixel input)
{
    float4 albedo = SampleAlbedo(input);
    float4 packed = MaterialTexture.Sample(LinearSampler, SlotUV(input, 1));
    Material m;
    m.albedo = pow(max(albedo.rgb, 0.0), 2.2);
    m.alpha = albedo.a;
#ifdef USETEXTUREPACKING
    m.occlusion = packed.r;
    m.roughness = packed.g;
    m.metalness = packed.b;
    m.emissiveMask = packed.a;
#else
    m.metalness = packed.r;
    m.occlusion = packed.g;
    m.emissiveMask = packed.b;
    m.roughness = 1.0 - packed.a;
#endif
    m.roughness = clamp(m.roughness, 0.04, 1.0);
    m.metalness = saturate(m.metalness);
    m.occlusion = saturate(m.occlusion);
    return m;
}

// Tangent-space normal map to world space; TangentSign flips the binormal for maps baked
// with a right-handed tangent space.
float3 ShadingNormal(VertexToPixel input)
{
    float3 n = normalize(input.normal);
    float3 t = normalize(input.tangent);
    float3 b = normalize(input.binormal) * TangentSign;
    float3 mapped = NormalTexture.Sample(LinearSampler, SlotUV(input, 2)).xyz * 2.0 - 1.0;
    float3 world = mapped.x * t + mapped.y * b + mapped.z * n;
    return dot(world, world) > 1e-8 ? normalize(world) : n;
}

// ---- Lighting -----------------------------------------------------------------------
float DistributionGGX(float nDotH, float roughness)
{
    float a = roughness * roughness;
    float a2 = a * a;
    float d = nDotH * nDotH * (a2 - 1.0) + 1.0;
    return a2 / max(PI * d * d, 1e-7);
}

// Smith's shadowing with the Schlick-GGX term for an analytic light.
float GeometrySmith(float nDotV, float nDotL, float roughness)
{
    float r = roughness + 1.0;
    float k = r * r / 8.0;
    float gv = nDotV / (nDotV * (1.0 - k) + k);
    float gl = nDotL / (nDotL * (1.0 - k) + k);
    return gv * gl;
}

float3 FresnelSchlick(float cosTheta, float3 f0)
{
    return f0 + (1.0 - f0) * pow(saturate(1.0 - cosTheta), 5.0);
}

float3 FresnelSchlickRoughness(float cosTheta, float3 f0, float roughness)
{
    float3 grazing = max(float3(1.0 - roughness, 1.0 - roughness, 1.0 - roughness), f0);
    return f0 + (grazing - f0) * pow(saturate(1.0 - cosTheta), 5.0);
}

// Analytic fit of the split-sum environment BRDF (no lookup texture needed).
float2 EnvironmentBRDF(float nDotV, float roughness)
{
    const float4 c0 = float4(-1.0, -0.0275, -0.572, 0.022);
    const float4 c1 = float4(1.0, 0.0425, 1.04, -0.04);
    float4 r = roughness * c0 + c1;
    float a004 = min(r.x * r.x, exp2(-9.28 * nDotV)) * r.x + r.y;
    return float2(-1.04, 1.04) * a004 + r.zw;
}

float MaxSkyMip()
{
    return CubeMapInfo.x > 0 ? (float)(CubeMapInfo.x - 1) : 0.0;
}

float3 SampleSky(float3 direction, float mip)
{
    return SkyCube.SampleLevel(LinearSampler, RotateToSky(direction), mip).rgb;
}

float3 DirectLight(float3 n, float3 v, Material m, float3 f0)
{
    float lightLength = length(LightDirection.xyz);
    if (lightLength < 1e-6)
        return float3(0.0, 0.0, 0.0);
    float3 l = -LightDirection.xyz / lightLength;
    float3 h = normalize(v + l);
    float nDotL = saturate(dot(n, l));
    float nDotV = max(dot(n, v), 1e-4);
    float nDotH = saturate(dot(n, h));
    float3 f = FresnelSchlick(saturate(dot(h, v)), f0);
    float3 specular = DistributionGGX(nDotH, m.roughness) *
                      GeometrySmith(nDotV, nDotL, m.roughness) * f / (4.0 * nDotV * max(nDotL, 1e-4));
    // Energy conservation: what the surface reflects is not diffused, and metals diffuse
    // nothing.
    float3 kd = (1.0 - f) * (1.0 - m.metalness);
    return (kd * m.albedo / PI + specular) * LightColor.rgb * nDotL;
}

float3 ImageBasedLight(float3 n, float3 v, Material m, float3 f0)
{
    float nDotV = max(dot(n, v), 1e-4);
    float3 f = FresnelSchlickRoughness(nDotV, f0, m.roughness);
    float maxMip = MaxSkyMip();
    float3 reflected = reflect(-v, n);
    float3 prefiltered = SampleSky(reflected, m.roughness * maxMip);
    float2 brdf = EnvironmentBRDF(nDotV, m.roughness);
    float3 specular = prefiltered * (f0 * brdf.x + brdf.y);
    // A high mip stands in for the irradiance of the sky.
    float3 irradiance = SampleSky(n, max(maxMip - 1.0, 0.0));
    float3 kd = (1.0 - f) * (1.0 - m.metalness);
    return (kd * irradiance * m.albedo + specular) * m.occlusion;
}

float4 MainPixelShader(VertexToPixel input) : SV_Target
{
    Material m = ReadMaterial(input);
    float3 n = ShadingNormal(input);
    float3 v = normalize(Eye - input.worldPosition);
    float3 f0 = lerp(float3(0.04, 0.04, 0.04), m.albedo, m.metalness);
    float3 color = DirectLight(n, v, m, f0) + ImageBasedLight(n, v, m, f0);
    color += m.albedo * m.emissiveMask;
    return float4(color, m.alpha);
}

// ---- Fullscreen pass ----------------------------------------------------------------
// In the fullscreen pass t0 holds the floating-point scene image.
#define SceneTexture AlbedoTexture

static const float Exposure = 1.0;
static const float DisplayGamma = 2.2;

// Filmic curve (ACES fit by Narkowicz): soft shoulder, slightly lifted contrast.
static const float ToneA = 2.51;
static const float ToneB = 0.03;
static const float ToneC = 2.43;
static const float ToneD = 0.59;
static const float ToneE = 0.14;

float3 FilmicToneMap(float3 x)
{
    return saturate((x * (ToneA * x + ToneB)) / (x * (ToneC * x + ToneD) + ToneE));
}

float4 FullscreenQuad(VertexToPixel input) : SV_Target
{
    // One texel per pixel, fetched rather than filtered (a filtered read of a float texture
    // costs a software renderer several milliseconds a frame); the texel is found from the
    // texture coordinate, so a scene image of another size than the target still fills it.
    uint width, height;
    SceneTexture.GetDimensions(width, height);
    const int2 texel = min(int2(input.uv01.xy * float2(width, height)), int2(width, height) - 1);
    float4 scene = SceneTexture.Load(int3(texel, 0));
    float3 mapped = FilmicToneMap(max(scene.rgb, 0.0) * Exposure);
    return float4(pow(mapped, 1.0 / DisplayGamma), 1.0);
}

// The scene value that the fullscreen pass shows as `display` (0..1): unlit views write it
// so that the screen shows their channel exactly, not tone-mapped.
float3 SceneValueFor(float3 display)
{
    float3 t = pow(saturate(display), DisplayGamma);
    float3 qa = ToneA - t * ToneC;  // stays above 0.08 for t <= 1
    float3 qb = ToneB - t * ToneD;
    float3 qc = -t * ToneE;
    return (-qb + sqrt(qb * qb - 4.0 * qa * qc)) / (2.0 * qa) / Exposure;
}

float4 Show(float3 display)
{
    return float4(SceneValueFor(display), 1.0);
}

// ---- Fixed assets -------------------------------------------------------------------
float4 PixelShader_Albedo(VertexToPixel input) : SV_Target
{
    return Show(SampleAlbedo(input).rgb);
}

float4 PixelShader_Albedo_Alpha_Discard(VertexToPixel input) : SV_Target
{
    float4 albedo = SampleAlbedo(input);
    clip(albedo.a - 0.5);
    return Show(albedo.rgb);
}

// Anti-aliased unit lines with a major line every ten units, X and Z axes in colour,
// fading out with distance so the horizon does not shimmer.
float GridLines(float2 coordinate)
{
    float2 width = fwidth(coordinate);
    float2 distanceToLine = abs(frac(coordinate - 0.5) - 0.5) / max(width, 1e-5);
    return 1.0 - saturate(min(distanceToLine.x, distanceToLine.y));
}

float4 PixelShader_Grid(VertexToPixel input) : SV_Target
{
    float2 coordinate = input.worldPosition.xz;
    float minor = GridLines(coordinate);
    float major = GridLines(coordinate / 10.0);
    float3 color = float3(0.35, 0.35, 0.35);
    float alpha = max(minor * 0.35, major * 0.8);
    float2 axisWidth = fwidth(coordinate) * 1.5;
    if (abs(input.worldPosition.z) < axisWidth.y) {
        color = float3(0.85, 0.2, 0.2);  // the X axis
        alpha = 1.0;
    }
    if (abs(input.worldPosition.x) < axisWidth.x) {
        color = float3(0.2, 0.35, 0.9);  // the Z axis
        alpha = 1.0;
    }
    float fade = saturate(1.0 - length(input.worldPosition - Eye) / 400.0);
    return float4(color, alpha * fade);
}

float4 PixelShader_SkyBox(VertexToPixel input) : SV_Target
{
    float mip = min((float)CubeMapInfo.y, MaxSkyMip());
    return float4(SampleSky(normalize(input.cubeDirection), mip), 1.0);
}

// ---- Channel views: each shows exactly its channel, unlit ---------------------------
float4 Grey(float value)
{
    return Show(float3(value, value, value));
}

float4 PixelShader_Roughness(VertexToPixel input) : SV_Target
{
    return Grey(ReadMaterial(input).roughness);
}

float4 PixelShader_Metalness(VertexToPixel input) : SV_Target
{
    return Grey(ReadMaterial(input).metalness);
}

float4 PixelShader_AmbientOcclusion(VertexToPixel input) : SV_Target
{
    return Grey(ReadMaterial(input).occlusion);
}

float4 PixelShader_Emissive(VertexToPixel input) : SV_Target
{
    Material m = ReadMaterial(input);
    return Show(SampleAlbedo(input).rgb * m.emissiveMask);
}

float4 PixelShader_Normalmap(VertexToPixel input) : SV_Target
{
    return Show(NormalTexture.Sample(LinearSampler, SlotUV(input, 2)).rgb);
}

float4 ShowDirection(float3 direction)
{
    return Show(normalize(direction) * 0.5 + 0.5);
}

float4 PixelShader_VertexNormal(VertexToPixel input) : SV_Target
{
    return ShowDirection(input.normal);
}

float4 PixelShader_VertexBinormal(VertexToPixel input) : SV_Target
{
    return ShowDirection(input.binormal);
}

float4 PixelShader_VertexTangent(VertexToPixel input) : SV_Target
{
    return ShowDirection(input.tangent);
}

float4 PixelShader_ObjectNormal(VertexToPixel input) : SV_Target
{
    return ShowDirection(input.objectNormal);
}

float4 PixelShader_OnlyVertexColor(VertexToPixel input) : SV_Target
{
    return Show(input.color.rgb);
}

// The inspection overlays' flat colour (wireframe, selection tint): RGBA, 8 bits each, red
// lowest, packed into the draw value.
float4 PixelShader_OverlayColour(VertexToPixel input) : SV_Target
{
    uint packed = VertexColorMode;
    return float4(packed & 255u, (packed >> 8) & 255u, (packed >> 16) & 255u, packed >> 24) / 255.0;
}

// ---- Bone-weight view ---------------------------------------------------------------
// Blue at 0 through green at 0.5 to red at 1.
float3 WeightRamp(float weight)
{
    float w = saturate(weight);
    return float3(saturate(2.0 * w - 1.0), 1.0 - abs(2.0 * w - 1.0), saturate(1.0 - 2.0 * w));
}

// Joints per vertex: none grey, 1 blue, 2 green, 3 yellow, 4 red. The count is interpolated
// between vertices and rounded here, so each vertex's colour reaches halfway to the next.
float3 JointCountColour(float count)
{
    float n = floor(count + 0.5);
    if (n < 0.5)
        return float3(0.35, 0.35, 0.35);
    if (n < 1.5)
        return float3(0.0, 0.2, 1.0);
    if (n < 2.5)
        return float3(0.0, 0.85, 0.1);
    if (n < 3.5)
        return float3(1.0, 0.85, 0.0);
    return float3(1.0, 0.0, 0.0);
}

// Unlit but for a little shading by the angle to the eye, which keeps the shape readable
// without changing which colour a pixel has.
float4 PixelShader_BoneWeights(VertexToPixel input) : SV_Target
{
    float facing = abs(dot(normalize(input.normal), normalize(Eye - input.worldPosition)));
    float3 colour = (BoneView & BoneViewJointCount) != 0u ? JointCountColour(input.boneView.y)
                                                          : WeightRamp(input.boneView.x);
    return Show(colour * (0.65 + 0.35 * facing));
}
