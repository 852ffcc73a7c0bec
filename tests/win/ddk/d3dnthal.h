// See ddrawint.h beside this file: winddi.h includes it and needs nothing from it.
#pragma once
