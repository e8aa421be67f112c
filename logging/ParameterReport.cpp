#include "ParameterReport.h"

void ParameterReport::mnuSaveAs_Click() {}
