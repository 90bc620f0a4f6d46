#include "scanner/GibbsDP.h"

bool CGibbsDP::OutputModules() { return true; }
bool CGibbsDP::OutputMotifs() { return true; }
bool CGibbsDP::WriteSummary() { return true; }
