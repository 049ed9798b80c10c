#include "app/entry.h"

int main(int argc, char** argv) { return quarvel::QuarvelMain(argc, argv); }
