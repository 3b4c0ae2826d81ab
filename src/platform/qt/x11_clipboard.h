#pragma once
// Reads the X clipboard's text without ever waiting on the program that owns
// it: a connection of its own asks for the text and takes the answer, in
// pieces when it is large, as it arrives on the UI thread's event loop. An
// owner that never answers costs a timeout in the background, nothing more.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kurumin {

class X11ClipboardReader : public QObject {
  public:
    // done receives the clipboard's text, or nothing when it holds none.
    using Done = std::function<void(const std::optional<QString>&)>;
    // Null when there is no X display to read from.
    static std::unique_ptr<X11ClipboardReader> create(Done done, int timeoutMs = 2000);
    ~X11ClipboardReader() override;
    // Asks for the text as it is now; an answer still awaited is asked again after.
    void fetch();
    // The answer still awaited is older than a change made here: it is dropped.
    void forget();

    struct State;

  private:
    explicit X11ClipboardReader(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace kurumin
