#ifndef VESK_SERVER_WIN_SERVER_RESOURCES_H
#define VESK_SERVER_WIN_SERVER_RESOURCES_H

// The ids of VeskServer's resources, shared by its resource script and its code. Plain
// definitions with a guard: the resource compiler reads this file too.

#define IDI_VESK_SERVER 100
#define IDM_SERVER_MENU 102

// The commands of menu 102.
#define IDM_START_SERVER 200
#define IDM_STOP_SERVER 201
#define IDM_SHOW_IP 202
#define IDM_HELP 210
#define IDM_ABOUT 211
#define IDM_QUIT 212

// The port field and the dice box of SERV, and the address field of SHOWIP.
#define IDC_PORT 1001
#define IDC_DICE 1002
#define IDC_ADDRESS 1010

#endif
