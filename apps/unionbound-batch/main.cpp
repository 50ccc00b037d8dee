#include "apps/unionbound-batch/batch_main.h"

int main(int argc, char** argv) {
  return unionbound::BatchMain(argc, argv);
}
