#include <iostream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "data/AtomicFile.h"

int main(int argc, char** argv)
{
    // An interrupted run leaves none of its temporary files among the results.
    tarvex::RemoveTemporaryFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    return tarvex::RunBatch(args, std::cout, std::cerr);
}
