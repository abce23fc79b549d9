#include "framework/core/base/exceptions.h"

void Abort() { throw EAbort("Operation aborted"); }
