// The image commands in the order they are registered.
#include "graphics/images/image_commands.h"

namespace korva::gfx {
namespace {

using namespace imgcmd;

const SymbolDef kImageSymbols[] = {
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
};

}  // namespace

std::span<const SymbolDef> imageSymbols() { return kImageSymbols; }

}  // namespace korva::gfx
