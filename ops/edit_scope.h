// Bracket for an edit of one list: the player is held off, the changes form one undo group,
// and the list is marked for re-reading when the edit ends. The ops library sits below the
// engine, so the engine's suspend call is reached through a hook the application installs.
#pragma once

namespace tarvio {

class Song;
class Track;

// suspend(false) holds the player off, suspend(true) lets it run again. Process-wide, null by
// default (no player: nothing to hold off). Install before any edit runs.
void setEditHook(void (*suspend)(bool enabled));

class EditScope {
public:
    EditScope(Song& song, Track& track) : EditScope(track) { song_ = &song; }
    explicit EditScope(Track& track);
    ~EditScope();
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

    Song* song() const { return song_; }  // null when the edit was opened on a list alone
    Track& track() const { return track_; }

private:
    Song* song_ = nullptr;
    Track& track_;
    void (*hook_)(bool);  // the hook called on entry, so that a change of hook mid-edit stays paired
};

// Bracket for one edit of several lists of a song (a paste over several tracks): the player is
// held off once for the whole edit, and the song's undo takes all the lists back in one step.
// The EditScopes of the lists open inside it.
class SongEditScope {
public:
    explicit SongEditScope(Song& song);
    ~SongEditScope();
    SongEditScope(const SongEditScope&) = delete;
    SongEditScope& operator=(const SongEditScope&) = delete;

private:
    Song& song_;
    void (*hook_)(bool);
};

}  // namespace tarvio
