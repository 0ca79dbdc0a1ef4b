// The language core's start and end for a run: every string, object, array and DATA
// cursor of an earlier run goes, and the built-in type descriptors are written afresh.
#pragma once

namespace korva {

bool basic_create();
void basic_destroy();

}  // namespace korva
