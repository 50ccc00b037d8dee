#include "apps/unionbound/run.h"

int main(int argc, char** argv) {
  return unionbound::UnionboundMain(argc, argv);
}
