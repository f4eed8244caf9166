// Connects the animation side to model import: attaching clips to mesh objects, making a
// clip active, staging camera clips and reloading changed clip files.
#pragma once

#include "animation/AnimationSet.h"

// Installs the hooks for every later import; `services` is kept for them. Call before the
// first load starts.
void InstallAnimationHooks(const AnimationServices& services);
