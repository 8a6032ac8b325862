// GDI+ (namespace Gdiplus): the subset the program uses, drawn with cairo and pango.
#pragma once
#include "windows.h"

#include "GdiPlusTypes.h"
#include "GdiPlusBrush.h"
#include "GdiPlusSolidBrush.h"
#include "GdiPlusLinearGradientBrush.h"
#include "GdiPlusImage.h"
#include "GdiPlusBitmap.h"
#include "GdiPlusTextureBrush.h"
#include "GdiPlusPen.h"
#include "GdiPlusFont.h"
#include "GdiPlusStringFormat.h"
#include "GdiPlusGraphicsPath.h"
#include "GdiPlusGraphics.h"
