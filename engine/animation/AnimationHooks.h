// Connects the animation side to model import: attaching clips to mesh objects, making a
// clip active, staging camera clips and reloading changed clip files.
#pragma once

#include "animation/AnimationSet.h"
#include "models/ModelAnimationHooks.h"

// The hooks an importer uses for every later import; each keeps its own copy of
// `services`. Give them to the importer before the first load starts.
ModelAnimationHooks MakeAnimationHooks(const AnimationServices& services);
