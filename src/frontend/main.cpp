#include "frontend/VelmoraU.h"

int main(int argc, char** argv) { return VelmoraMain(argc, argv); }
