// The standalone executable: everything happens in the run-time library.
namespace korva {
int korvaMain(int argc, char** argv);
}

int main(int argc, char** argv) { return korva::korvaMain(argc, argv); }
