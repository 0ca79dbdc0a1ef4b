// The bank module: blocks of bytes that programs peek, poke, copy and move to streams.
#include "link/module.h"
#include "io/banks/banks.h"
#include "io/commands.h"

namespace korva {
namespace {

using namespace io;

const SymbolDef kBankSymbols[] = {
    KORVA_ROUTINE("%CreateBank%size=0", CreateBank),
    KORVA_ROUTINE("FreeBank%bank", FreeBank),
    KORVA_ROUTINE("%BankSize%bank", BankSize),
    KORVA_ROUTINE("ResizeBank%bank%size", ResizeBank),
    KORVA_ROUTINE("CopyBank%src_bank%src_offset%dest_bank%dest_offset%count", CopyBank),
    KORVA_ROUTINE("%PeekByte%bank%offset", PeekByte),
    KORVA_ROUTINE("%PeekShort%bank%offset", PeekShort),
    KORVA_ROUTINE("%PeekInt%bank%offset", PeekInt),
    KORVA_ROUTINE("#PeekFloat%bank%offset", PeekFloat),
    KORVA_ROUTINE("PokeByte%bank%offset%value", PokeByte),
    KORVA_ROUTINE("PokeShort%bank%offset%value", PokeShort),
    KORVA_ROUTINE("PokeInt%bank%offset%value", PokeInt),
    KORVA_ROUTINE("PokeFloat%bank%offset#value", PokeFloat),
    KORVA_ROUTINE("%ReadBytes%bank%file%offset%count", ReadBytes),
    KORVA_ROUTINE("%WriteBytes%bank%file%offset%count", WriteBytes),
};

}  // namespace

void bank_destroy() { freeAllBanks(); }

KORVA_MODULE(bank, kBankSymbols, nullptr, bank_destroy)

}  // namespace korva
