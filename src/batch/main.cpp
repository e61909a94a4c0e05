#include <iostream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "data/AtomicFile.h"
#ifdef TARVEX_WITH_FIGURES
#include "figures/BatchRenderer.h"
#endif

int main(int argc, char** argv)
{
    // An interrupted run leaves none of its temporary files among the results.
    tarvex::RemoveTemporaryFilesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef TARVEX_WITH_FIGURES
    tarvex::fig::QtFigureRenderer figures;
    return tarvex::RunBatch(args, std::cout, std::cerr, &figures);
#else
    return tarvex::RunBatch(args, std::cout, std::cerr);
#endif
}
