#pragma once
// Registers every member of the movie, track and effect plug-in classes
// under its declaration text.
void RegisterMediaPluginMembers();
