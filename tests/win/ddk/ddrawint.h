// winddi.h of mingw-w64 includes the DirectDraw driver headers, which that package lacks. The
// layout test needs none of their contents: the types winddi.h names stay incomplete.
#pragma once

typedef struct DD_CALLBACKS DD_CALLBACKS, *PDD_CALLBACKS;
typedef struct DD_DIRECTDRAW_GLOBAL DD_DIRECTDRAW_GLOBAL, *PDD_DIRECTDRAW_GLOBAL;
typedef struct DD_HALINFO DD_HALINFO, *PDD_HALINFO;
typedef struct DD_PALETTECALLBACKS DD_PALETTECALLBACKS, *PDD_PALETTECALLBACKS;
typedef struct DD_SURFACECALLBACKS DD_SURFACECALLBACKS, *PDD_SURFACECALLBACKS;
typedef struct DD_SURFACE_LOCAL DD_SURFACE_LOCAL, *PDD_SURFACE_LOCAL;
typedef struct VIDEOMEMORY VIDEOMEMORY, *PVIDEOMEMORY;
