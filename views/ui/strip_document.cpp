#include "views/ui/strip_document.h"

#include "app/document.h"
#include "app/transport.h"

namespace tarvio {

bool carryOut(Document& document, const StripCommand& command) {
    // Only REC. cares whether the player records; the snapshot is not read for anything else.
    const bool recording =
        command.kind == StripCommand::Kind::CycleRecord && document.transport().snapshot().recording;
    if (!stripCommandChanges(document.song(), command, recording)) return false;
    DocumentEdit edit(document, DocumentChange::of(DocumentChange::Kind::Tracks));
    return applyStripCommand(document.song(), command, recording);
}

}  // namespace tarvio
