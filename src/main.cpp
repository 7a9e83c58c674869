#include "ui/AppMain.h"

int main(int argc, char** argv)
{
    return ZuvaroMain(argc, argv);
}
