#include "player/PlayerArbiter.h"

#include <algorithm>

#include "player/FFPlay.h"

namespace orvel {

// Forwards to the adopted player; Open first stops the others. Events reach the handlers
// with this player as sender, the one the host holds.
class TArbitratedPlayer : public IMediaPlayer {
public:
    TArbitratedPlayer(std::unique_ptr<IMediaPlayer> inner, std::shared_ptr<TPlayerArbiter::TShared> shared)
        : inner_(std::move(inner)), shared_(std::move(shared)) {
        std::lock_guard lock(shared_->Mutex);
        shared_->Players.push_back(this);
    }
    ~TArbitratedPlayer() override {
        {
            std::lock_guard lock(shared_->Mutex);
            std::erase(shared_->Players, this);
        }
        // The inner player ends its playback in its destructor, whose last events still reach
        // handlers that name this object: so it goes while this object is whole.
        inner_.reset();
    }

    bool LoadLibraries(const std::string& folder) override { return inner_->LoadLibraries(folder); }
    bool Open(const std::string& fileName, IDisplaySurface* screen, bool paused) override {
        StopOthers();
        return inner_->Open(fileName, screen, paused);
    }
    void Stop(bool waitForStop) override { inner_->Stop(waitForStop); }
    void Pause() override { inner_->Pause(); }
    void Resume() override { inner_->Resume(); }
    void Seek(TSeekFlags flags, bool wait, int64_t position) override { inner_->Seek(flags, wait, position); }
    void SeekRelative(TSeekFlags flags, bool wait, double offset) override {
        inner_->SeekRelative(flags, wait, offset);
    }
    int64_t CurrentPosition() const override { return inner_->CurrentPosition(); }
    Bitmap24& CurrentFrame() override { return inner_->CurrentFrame(); }
    bool Playing() const override { return inner_->Playing(); }
    bool Paused() const override { return inner_->Paused(); }
    std::string FileName() const override { return inner_->FileName(); }
    std::string LastErrorMessage() const override { return inner_->LastErrorMessage(); }
    void SetAudioVolume(int volume) override { inner_->SetAudioVolume(volume); }
    void SetMute(bool mute) override { inner_->SetMute(mute); }
    void SetAspectRatio(float aspect) override { inner_->SetAspectRatio(aspect); }
    void SetHook(bool hook) override { inner_->SetHook(hook); }

    void SetOnFileOpen(TFileOpenEvent handler) override {
        inner_->SetOnFileOpen(!handler ? TFileOpenEvent()
                                       : [this, handler](IMediaPlayer*, int64_t d, int w, int h, int& sw,
                                                         int& sh) { handler(this, d, w, h, sw, sh); });
    }
    void SetOnHook(THookEvent handler) override {
        inner_->SetOnHook(!handler ? THookEvent()
                                   : [this, handler](IMediaPlayer*, Bitmap24& bitmap, int64_t pts) {
                                         handler(this, bitmap, pts);
                                     });
    }
    void SetOnPosition(TPositionEvent handler) override {
        inner_->SetOnPosition(!handler ? TPositionEvent()
                                       : [this, handler](IMediaPlayer*, int64_t pts) { handler(this, pts); });
    }
    void SetOnState(TPlayStateEvent handler) override {
        inner_->SetOnState(!handler ? TPlayStateEvent() : [this, handler](IMediaPlayer*, TPlayState state) {
            handler(this, state);
        });
    }

private:
    void StopOthers() {
        std::vector<TArbitratedPlayer*> others;
        {
            std::lock_guard lock(shared_->Mutex);
            others = shared_->Players;
        }
        // Stopping with waiting serves main-thread hand-overs, whose handlers may open or
        // destroy players; so the list is not locked meanwhile, and each player is looked up
        // again before it is stopped.
        for (TArbitratedPlayer* other : others) {
            if (other == this) continue;
            {
                std::lock_guard lock(shared_->Mutex);
                if (std::find(shared_->Players.begin(), shared_->Players.end(), other) ==
                    shared_->Players.end())
                    continue;
            }
            if (other->Playing()) other->Stop(true);
        }
    }

    std::unique_ptr<IMediaPlayer> inner_;
    std::shared_ptr<TPlayerArbiter::TShared> shared_;
};

TPlayerArbiter::TPlayerArbiter() : shared_(std::make_shared<TShared>()) {}

std::unique_ptr<IMediaPlayer> TPlayerArbiter::Adopt(std::unique_ptr<IMediaPlayer> player) {
    return std::make_unique<TArbitratedPlayer>(std::move(player), shared_);
}

std::unique_ptr<IMediaPlayer> TFFPlayerFactory::CreatePlayer() {
    return arbiter_.Adopt(std::make_unique<TFFPlayer>());
}

} // namespace orvel
