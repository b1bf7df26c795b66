#include "cli.h"

int main(int argc, char** argv) { return hpihost::HpiHostMain(argc, argv); }
