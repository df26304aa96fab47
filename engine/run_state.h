#pragma once
// The folder run's state as the buttons change it.
#include "mainwindow/window1.h"

// Stops an active folder run as "stop fading" does, without its message:
// tflag 0 and the caption "start fading". A run that is not active is left
// as it is.
void StopFolderRun(Window1& window);

// A new choice of destination or source starts a new run: the next start
// writes "000001.jpg" from the first photo.
void StartNewRun(Window1& window);
