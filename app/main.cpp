// The standalone executable: everything happens in the run-time library.
#include "app/sanitizer_defaults.h"

namespace korva {
int korvaMain(int argc, char** argv);
}

int main(int argc, char** argv) { return korva::korvaMain(argc, argv); }
