#include "platform/MusicControl.h"

// Placeholder until music lands.
struct MusicControl::Impl {};
MusicControl::MusicControl() = default;
MusicControl::~MusicControl() = default;
void MusicControl::setCommand(const QString&) {}
bool MusicControl::playing() const { return false; }
