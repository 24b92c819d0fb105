#include "scores/TopTen.h"

TopTen::TopTen() {}
void TopTen::Form_Load() {}
