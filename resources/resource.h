/* Resource numbers, shared by the resource script and the program. */
#pragma once

/* Each icon and cursor holds several sizes; the first image, the one taken
   when no size is asked for, is the original named here. */
#define IDI_PROGRAM 1        /* the program's icon, 24 x 24, 256 colours; 16 to 48 */
#define IDI_TRAY 102         /* the notification-area icon, the same images */
#define IDI_ABOUT 103        /* the About window's icon, 16 x 16, 16 colours; 20 to 32 */

#define IDC_HAND 201         /* pointing cursor over the drawn buttons, 32; 40 to 64 */
#define IDC_LINK 202         /* cursor over the About window's links, 32; 40 to 64 */

#define IDP_BANNER 301       /* main window: banner, JPEG 444 x 132 */
#define IDP_PANEL 302        /* main window: selection panel, JPEG 250 x 150 */
#define IDP_BUTTONS 303      /* main window: three drawn buttons, GIF 189 x 150 */
#define IDP_WARNING 304      /* warning window background, JPEG 400 x 100 */
#define IDP_ABOUT 305        /* About window background, JPEG 350 x 250 */

/* The same pictures at twice the pixels, for 200 % display scale. Each one's
   number is its 1x picture's plus IDP_2X_OFFSET: the program finds a
   picture's 2x form by that offset alone. */
#define IDP_2X_OFFSET 10
#define IDP_BANNER_2X 311    /* JPEG 888 x 264 */
#define IDP_PANEL_2X 312     /* JPEG 500 x 300 */
#define IDP_BUTTONS_2X 313   /* GIF 378 x 300 */
#define IDP_WARNING_2X 314   /* JPEG 800 x 200 */
#define IDP_ABOUT_2X 315     /* JPEG 700 x 500 */

#if defined(__cplusplus) && !defined(RC_INVOKED)
static_assert(IDP_BANNER_2X == IDP_BANNER + IDP_2X_OFFSET && IDP_PANEL_2X == IDP_PANEL + IDP_2X_OFFSET &&
                  IDP_BUTTONS_2X == IDP_BUTTONS + IDP_2X_OFFSET &&
                  IDP_WARNING_2X == IDP_WARNING + IDP_2X_OFFSET && IDP_ABOUT_2X == IDP_ABOUT + IDP_2X_OFFSET,
              "a 2x picture's number is its 1x picture's plus IDP_2X_OFFSET");
#endif
