#include "game/GameForm.h"

GameForm::GameForm() { setAttribute(Qt::WA_DeleteOnClose); }
void GameForm::Form_Load() {}
