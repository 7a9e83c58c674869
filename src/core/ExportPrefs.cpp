#include "core/ExportPrefs.h"

TExportPrefs gExportPrefs;
