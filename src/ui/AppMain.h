#pragma once

// The program from start to end: common initialisation, the single-instance rule with
// forwarding of "/s" texts, the main window, the message loop, the orderly teardown and
// the optional restart.
int ZuvaroMain(int argc, char** argv);
