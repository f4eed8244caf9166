// Access to what the scene owns for code that must not depend on the whole scene.
#pragma once

class CLight;

// The scene's light record; null while there is no scene (and so no light).
CLight* SceneLight();
