#include "title/Splash.h"

Splash::Splash() { setAttribute(Qt::WA_DeleteOnClose); }
void Splash::Form_Load() {}
