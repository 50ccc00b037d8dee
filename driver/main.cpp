#include "driver/run.h"

int main() {
  return unionbound::RunUnionbound();
}
