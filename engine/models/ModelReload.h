// Asks the engine for a model reload that waits for the start of the next scene draw.
#pragma once

void RequestDeferredModelReload();
