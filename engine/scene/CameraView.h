// The camera as the draws see it.
#pragma once

#include "shaders/BaseShader.h"

class CCamera;

// The camera-to-world matrix, the projection in use and the eye.
DrawView ViewOf(const CCamera& camera);
// The same view with the start-up projection, for the sky cube centred on the eye.
DrawView SkyViewOf(const CCamera& camera);
// The camera's view; an identity view without a camera.
DrawView ViewOrIdentity(const CCamera* camera);
