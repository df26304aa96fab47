#pragma once
// Private to the platform (includes Qt): every event loop the platform runs,
// the main loop and each modal dialog's, goes through RuntimeRunLoop so that
// a quit or a kept exception can make all of them return.
#include <QEventLoop>

void RuntimeRunLoop(QEventLoop& loop);
