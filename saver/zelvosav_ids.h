// Resource ids of ZelvoSav.scr (shared by the resource script and the code).
#pragma once
#define IDI_PROGRAM_GROUP 1       // icon group of the program
#define IDI_PROGRAM_IMAGE 30001   // the one icon image in that group
#define IDC_BLANK 101             // the wholly transparent pointer
#define IDR_FRAME1 201            // sprite frames 1..5: GIF pictures
#define IDR_FRAME2 202
#define IDR_FRAME3 203
#define IDR_FRAME4 204
#define IDR_FRAME5 205
#define IDR_HEADER 301            // the setup dialog's header picture (header.bmp, packed as a GIF)
