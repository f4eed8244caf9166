// How the inspection tools choose what the bone-weight view shows; every window that lists
// joints calls these, under the scene's model lock like every access to the inspection.
#pragma once

#include <string>

#include "scene/SceneInspection.h"

// A click on a joint: shows its weights (also when the joint count was shown). A click on
// the joint whose weights are shown turns the view off.
void ChooseWeightJoint(SceneInspection& inspection, const std::string& joint);
// Whether `joint`'s weights are what the view shows now.
bool IsWeightJointShown(const SceneInspection& inspection, const std::string& joint);
// The joint count on, or off again (back to the chosen joint's weights, if any).
void ShowJointCount(SceneInspection& inspection, bool on);
// Turns the view off: no joint, no count.
void ClearWeightView(SceneInspection& inspection);
