// The graphics module's own commands in the order they are registered.
#include "graphics/commands/graphics_commands.h"

namespace korva::gfxcmd {
namespace {

const SymbolDef kDrawingSymbols[] = {
    // Display drivers and modes
    KORVA_ROUTINE("%CountGfxDrivers", CountGfxDrivers),
    KORVA_ROUTINE("$GfxDriverName%driver", GfxDriverName),
    KORVA_ROUTINE("%GfxDriver3D%driver", GfxDriver3D),
    KORVA_ROUTINE("SetGfxDriver%driver", SetGfxDriver),
    KORVA_ROUTINE("%CountGfxModes", CountGfxModes),
    KORVA_ROUTINE("%GfxModeWidth%mode", GfxModeWidth),
    KORVA_ROUTINE("%GfxModeHeight%mode", GfxModeHeight),
    KORVA_ROUTINE("%GfxModeDepth%mode", GfxModeDepth),
    KORVA_ROUTINE("%GfxMode3D%mode", GfxMode3D),
    KORVA_ROUTINE("%Windowed3D", Windowed3D),
    KORVA_ROUTINE("%FindGfxMode%width%height%depth%gfx3d=0", FindGfxMode),
    KORVA_ROUTINE("%GfxModeExists%width%height%depth%gfx3d=0", GfxModeExists),
    KORVA_ROUTINE("%TotalVidMem", TotalVidMem),
    KORVA_ROUTINE("%AvailVidMem", AvailVidMem),
    // Graphics mode and buffers
    KORVA_ROUTINE("Graphics%width%height%depth=0%mode=0", Graphics),
    KORVA_ROUTINE("EndGraphics", EndGraphics),
    KORVA_ROUTINE("%FrontBuffer", FrontBuffer),
    KORVA_ROUTINE("%BackBuffer", BackBuffer),
    KORVA_ROUTINE("%GraphicsBuffer", GraphicsBuffer),
    KORVA_ROUTINE("SetBuffer%buffer", SetBuffer),
    KORVA_ROUTINE("%LoadBuffer%buffer$bmpfile", LoadBuffer),
    KORVA_ROUTINE("%SaveBuffer%buffer$bmpfile", SaveBuffer),
    KORVA_ROUTINE("LockBuffer%buffer=0", LockBuffer),
    KORVA_ROUTINE("UnlockBuffer%buffer=0", UnlockBuffer),
    KORVA_ROUTINE("%ScanLine", ScanLine),
    KORVA_ROUTINE("VWait%frames=1", VWait),
    KORVA_ROUTINE("Flip%vwait=1", Flip),
    KORVA_ROUTINE("%GraphicsWidth", GraphicsWidth),
    KORVA_ROUTINE("%GraphicsHeight", GraphicsHeight),
    KORVA_ROUTINE("%GraphicsDepth", GraphicsDepth),
    // Pixels
    KORVA_ROUTINE("%ReadPixel%x%y%buffer=0", ReadPixel),
    KORVA_ROUTINE("WritePixel%x%y%argb%buffer=0", WritePixel),
    KORVA_ROUTINE("%ReadPixelFast%x%y%buffer=0", ReadPixelFast),
    KORVA_ROUTINE("WritePixelFast%x%y%argb%buffer=0", WritePixelFast),
    KORVA_ROUTINE("CopyPixel%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", CopyPixel),
    KORVA_ROUTINE("CopyPixelFast%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", CopyPixelFast),
    // Drawing state and primitives
    KORVA_ROUTINE("Origin%x%y", Origin),
    KORVA_ROUTINE("Viewport%x%y%width%height", Viewport),
    KORVA_ROUTINE("Color%red%green%blue", Color),
    KORVA_ROUTINE("GetColor%x%y", GetColor),
    KORVA_ROUTINE("%ColorRed", ColorRed),
    KORVA_ROUTINE("%ColorGreen", ColorGreen),
    KORVA_ROUTINE("%ColorBlue", ColorBlue),
    KORVA_ROUTINE("ClsColor%red%green%blue", ClsColor),
    KORVA_ROUTINE("SetFont%font", SetFont),
    KORVA_ROUTINE("Cls", Cls),
    KORVA_ROUTINE("Plot%x%y", Plot),
    KORVA_ROUTINE("Line%x1%y1%x2%y2", Line),
    KORVA_ROUTINE("Rect%x%y%width%height%solid=1", Rect),
    KORVA_ROUTINE("Oval%x%y%width%height%solid=1", Oval),
    KORVA_ROUTINE("Text%x%y$text%centre_x=0%centre_y=0", Text),
    KORVA_ROUTINE("CopyRect%source_x%source_y%width%height%dest_x%dest_y%src_buffer=0%dest_buffer=0", CopyRect),
};

}  // namespace

std::span<const SymbolDef> drawingSymbols() { return kDrawingSymbols; }

}  // namespace korva::gfxcmd
