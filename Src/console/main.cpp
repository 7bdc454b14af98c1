#include "console/RecoveryRun.h"

int main() { return velders::RunRecovery(); }
