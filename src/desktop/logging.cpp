#include "desktop/logging.h"

// Warnings and worse are shown; information and debugging only when asked.
Q_LOGGING_CATEGORY(LogDesktop, "pelvaro.desktop", QtWarningMsg)
