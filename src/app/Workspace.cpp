#include "app/Workspace.h"

#include <algorithm>

namespace tarvex {

void Workspace::ResizeAxisLists(int n)
{
    // Never below 3: the 3-D view always reads [1..3].
    const std::size_t size = static_cast<std::size_t>(std::max(n, 3) + 1);
    displayAxes.resize(size, 0);
    selectedAxes.resize(size, 0);
}

}  // namespace tarvex
