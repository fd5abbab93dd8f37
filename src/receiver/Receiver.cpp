#include "receiver/Receiver.h"

namespace ravlin {

namespace {

TSessionTarget TargetOf(TReceiverData& data) {
    return {data.device, data.table, data.state};
}

}  // namespace

TReceiver::TReceiver(const TReceiverContext& context, const TSessionTarget& outside)
    : TReceiver(context, nullptr, &outside) {}

TReceiver::TReceiver(const TReceiverContext& context)
    : TReceiver(context, std::make_unique<TReceiverData>(), nullptr) {}

TReceiver::TReceiver(const TReceiverContext& context, std::unique_ptr<TReceiverData> own,
                     const TSessionTarget* outside)
    : own_(std::move(own)),
      target(outside ? *outside : TargetOf(*own_)),
      link(context.language.Texts(), context.ui),
      rx(link, context.language.Texts(), context.ui, context.folders.dataDir),
      transferWorker(rx, link, context.ui, context.language.Texts()),
      session(
          TSessionContext{link, rx, transferWorker, context.language, context.folders, context.ui,
                          context.backup, context.verifyDownload, context.verifyUpload},
          target) {}

TReceiver::~TReceiver() {
    // The worker must not be listening on a link that goes away.
    transferWorker.StopOnline();
    link.Close();
}

}  // namespace ravlin
