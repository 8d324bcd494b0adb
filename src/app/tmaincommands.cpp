#include "tmain.h"

void TMain::attachCommands()
{
}
