/* Resource numbers, shared by the resource script and the program. */
#pragma once

#define IDI_PROGRAM 1        /* the program's icon, 24 x 24, 256 colours */
#define IDI_TRAY 102         /* the notification-area icon */
#define IDI_ABOUT 103        /* the About window's icon, 16 x 16, 16 colours */

#define IDC_HAND 201         /* pointing cursor over the drawn buttons */
#define IDC_LINK 202         /* cursor over the About window's links */

#define IDP_BANNER 301       /* main window: banner, JPEG 444 x 132 */
#define IDP_PANEL 302        /* main window: selection panel, JPEG 250 x 150 */
#define IDP_BUTTONS 303      /* main window: three drawn buttons, GIF 189 x 150 */
#define IDP_WARNING 304      /* warning window background, JPEG 400 x 100 */
#define IDP_ABOUT 305        /* About window background, JPEG 350 x 250 */
