// Binds the host's engine calls to the exports of libvornis_engine.
#pragma once

#include "EngineCalls.h"

namespace host {

EngineCalls LinkedEngine();

}  // namespace host
