#include "client/doc_template.h"

namespace client {

OpenedDocument CSingleDocTemplate::OpenNew(const std::string& caption) const {
    OpenedDocument opened;
    auto doc = document ? document() : nullptr;
    if (!doc || !doc->OnNewDocument() || !frame) return opened;
    auto made = frame();
    if (!made) return opened;
    if (view) made->SetViewFactory(view);
    if (!made->LoadFrame(caption)) return opened;
    opened.document = std::move(doc);
    opened.frame = std::move(made);
    return opened;
}

}  // namespace client
