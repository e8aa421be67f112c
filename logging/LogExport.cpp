#include "LogExport.h"

void LogExport::SaveLogBut_Click(int) {}
