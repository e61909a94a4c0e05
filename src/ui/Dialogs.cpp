#include "ui/Dialogs.h"

#include <QPrinter>

namespace tarvex {

std::unique_ptr<QPrinter> Dialogs::ChoosePrinter()
{
    return ChoosePrinter(NoOpener());
}

}  // namespace tarvex
