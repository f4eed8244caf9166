#include "vornis_engine.h"
int main()
{
    CreateEngineNative();
    return 0;
}
