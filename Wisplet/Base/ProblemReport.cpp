#include "Wisplet/Base/ProblemReport.h"

#include <cstdio>

void reportProblem(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}
