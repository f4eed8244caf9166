// Radiance of the two generated environments, in linear HDR units, for a unit direction in
// the viewer's space (y up).
#pragma once

#include "Vec.h"

namespace assets {

// Blue sky with a sun disk and its glow over a brown-grey ground.
Vec3 DaylightSkyRadiance(Vec3 direction);

// Neutral grey studio lit by four rectangular soft boxes.
Vec3 StudioRadiance(Vec3 direction);

}  // namespace assets
