#include "corpus/log.h"

// Warnings stay off until a rule turns them on: the program tells its user through its
// boxes, and these are for whoever looks into a failure.
Q_LOGGING_CATEGORY(lcCorpus, "velkaro.corpus", QtCriticalMsg)
