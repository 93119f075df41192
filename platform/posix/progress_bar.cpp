// Without windows there are no progress bars: setting a bar's step does nothing.
#include "platform/progress.h"

void ProgressBarSetStep(WindowHandle, std::int32_t) {}
