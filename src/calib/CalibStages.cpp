#include "calib/CalibStages.h"

namespace tarvex::calib {

void ClearReturnedResult(Workspace& ws)
{
    ws.calibReturned = false;
    ws.histBuilt = false;
}

void CalibStages::InvalidateFrom(Workspace& ws, int from)
{
    for (int n = from < 3 ? 3 : from; n <= 8; ++n) drawn[n] = false;
    ClearReturnedResult(ws);
}

void CalibStages::ResetData(Workspace& ws, int ds)
{
    if (ds == 1) {
        drawn[2] = false;
    } else {
        drawn[1] = false;
        generateModel = false;
    }
    InvalidateFrom(ws, 3);
}

void CalibStages::ResetRange(Workspace& ws)
{
    InvalidateFrom(ws, 3);
}

void CalibStages::ResetCoefficient(Workspace& ws)
{
    if (!drawn[8]) return;
    InvalidateFrom(ws, 8);
}

}  // namespace tarvex::calib
