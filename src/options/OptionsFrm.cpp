#include "options/OptionsFrm.h"

OptionsFrm::OptionsFrm() { setAttribute(Qt::WA_DeleteOnClose); }
void OptionsFrm::Form_Load() {}
