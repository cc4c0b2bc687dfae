#pragma once
// Messages for developers about failures this library handles without a word to the user.
// Off unless turned on, e.g. QT_LOGGING_RULES="velkaro.*=true".
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcReader)
