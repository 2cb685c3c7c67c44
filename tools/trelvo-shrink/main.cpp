#include <cstdio>

#include "ShrinkCli.h"

int main(int argc, char **argv)
{
    return RunShrinkCli(argc, argv, stdout, stderr);
}
