// The graphics module: its start and end, and its one table: drivers, modes, buffers,
// pixels and drawing; the text console; images; fonts.
#include "graphics/commands/graphics_commands.h"
#include "graphics/console/console_commands.h"
#include "graphics/images/image_commands.h"
#include "graphics/module/graphics_state.h"
#include "link/module.h"
#include "render/display/graphics_device.h"
#include "render/imagefile/image_file.h"
#include "run/run_context.h"

namespace korva {
namespace {

using namespace graphics;
using namespace graphics;
using namespace graphics;

const SymbolDef kGraphicsSymbols[] = {
    // Drivers, modes, buffers, pixels and drawing
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
    KORVA_ROUTINE("Rect%x%y%width%height%solid=1", graphics::Rect),
    KORVA_ROUTINE("Oval%x%y%width%height%solid=1", Oval),
    KORVA_ROUTINE("Text%x%y$text%centre_x=0%centre_y=0", Text),
    KORVA_ROUTINE("CopyRect%source_x%source_y%width%height%dest_x%dest_y%src_buffer=0%dest_buffer=0", CopyRect),
    // The text console
    KORVA_ROUTINE("Write$string", Write),
    KORVA_ROUTINE("Print$string=\"\"", Print),
    KORVA_ROUTINE("$Input$prompt=\"\"", Input),
    KORVA_ROUTINE("Locate%x%y", Locate),
    // Images
    KORVA_ROUTINE("%LoadImage$bmpfile", LoadImage),
    KORVA_ROUTINE("%LoadAnimImage$bmpfile%cellwidth%cellheight%first%count", LoadAnimImage),
    KORVA_ROUTINE("%CreateImage%width%height%frames=1", CreateImage),
    KORVA_ROUTINE("%CopyImage%image", CopyImage),
    KORVA_ROUTINE("FreeImage%image", FreeImage),
    KORVA_ROUTINE("%SaveImage%image$bmpfile%frame=0", SaveImage),
    KORVA_ROUTINE("GrabImage%image%x%y%frame=0", GrabImage),
    KORVA_ROUTINE("%ImageBuffer%image%frame=0", ImageBuffer),
    KORVA_ROUTINE("DrawImage%image%x%y%frame=0", DrawImage),
    KORVA_ROUTINE("DrawBlock%image%x%y%frame=0", DrawBlock),
    KORVA_ROUTINE("TileImage%image%x=0%y=0%frame=0", TileImage),
    KORVA_ROUTINE("TileBlock%image%x=0%y=0%frame=0", TileBlock),
    KORVA_ROUTINE("DrawImageRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", DrawImageRect),
    KORVA_ROUTINE("DrawBlockRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", DrawBlockRect),
    KORVA_ROUTINE("MaskImage%image%red%green%blue", MaskImage),
    KORVA_ROUTINE("HandleImage%image%x%y", HandleImage),
    KORVA_ROUTINE("MidHandle%image", MidHandle),
    KORVA_ROUTINE("AutoMidHandle%enable", AutoMidHandle),
    KORVA_ROUTINE("%ImageWidth%image", ImageWidth),
    KORVA_ROUTINE("%ImageHeight%image", ImageHeight),
    KORVA_ROUTINE("%ImageXHandle%image", ImageXHandle),
    KORVA_ROUTINE("%ImageYHandle%image", ImageYHandle),
    KORVA_ROUTINE("%ImagesOverlap%image1%x1%y1%image2%x2%y2", ImagesOverlap),
    KORVA_ROUTINE("%ImagesCollide%image1%x1%y1%frame1%image2%x2%y2%frame2", ImagesCollide),
    KORVA_ROUTINE("%RectsOverlap%x1%y1%width1%height1%x2%y2%width2%height2", RectsOverlap),
    KORVA_ROUTINE("%ImageRectOverlap%image%x%y%rect_x%rect_y%rect_width%rect_height", ImageRectOverlap),
    KORVA_ROUTINE("%ImageRectCollide%image%x%y%frame%rect_x%rect_y%rect_width%rect_height", ImageRectCollide),
    KORVA_ROUTINE("TFormImage%image#a#b#c#d", TFormImage),
    KORVA_ROUTINE("ScaleImage%image#xscale#yscale", ScaleImage),
    KORVA_ROUTINE("ResizeImage%image#width#height", ResizeImage),
    KORVA_ROUTINE("RotateImage%image#angle", RotateImage),
    KORVA_ROUTINE("TFormFilter%enable", TFormFilter),
    // Fonts
    KORVA_ROUTINE("%LoadFont$fontname%height=12%bold=0%italic=0%underline=0", LoadFont),
    KORVA_ROUTINE("FreeFont%font", FreeFont),
    KORVA_ROUTINE("%FontWidth", FontWidth),
    KORVA_ROUTINE("%FontHeight", FontHeight),
    KORVA_ROUTINE("%StringWidth$string", StringWidth),
    KORVA_ROUTINE("%StringHeight$string", StringHeight),
};

bool startGraphics(RunContext& run) {
  GraphicsDevice::setPictureLoader(&loadPicture);
  graphics::GraphicsState& g = graphics::state();
  g = graphics::GraphicsState{};
  graphics::freeImages();
  g.run = &run;
  GraphicsDevice* device = run.window().openGraphics(graphics::kDefaultGraphicsWidth, graphics::kDefaultGraphicsHeight, 0, 0,
                                                     RuntimeWindow::kWindowedGraphics);
  if (!device) {
    g.run = nullptr;
    return false;
  }
  graphics::adoptDevice(device, false);
  return true;
}

void endGraphics() {
  graphics::freeImages();
  if (graphics::state().device) graphics::closeDevice();
  graphics::state().run = nullptr;
}

}  // namespace

KORVA_MODULE(graphics, kGraphicsSymbols, startGraphics, endGraphics)

}  // namespace korva
