#include "app/entry_wx.h"

int main(int argc, char** argv) { return quarvel::QuarvelMain(argc, argv); }
