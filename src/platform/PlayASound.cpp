#include "platform/PlayASound.h"

// Placeholder until sound lands.
namespace Audio {
bool open() { return false; }
void close() {}
bool isOpen() { return false; }
}
void PlaySoundFile(const QString&) {}
