#include <iostream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return tarvex::RunBatch(args, std::cout, std::cerr);
}
