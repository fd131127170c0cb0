#pragma once
// Spoken words from the espeak-ng speech synthesiser, in-process. Mandarin
// is given as pinyin with tone digits ("peng4"): the synthesiser's Mandarin
// dictionary does not know most characters, its pinyin voice reads every
// syllable.

#include <memory>
#include <string>
#include <vector>

namespace assetgen {

class Speech {
  public:
    // Null (after a message) when the synthesiser or its data is missing.
    static std::unique_ptr<Speech> Open();
    ~Speech();
    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // `voice` is a voice name with a variant ("cmn-latn-pinyin+f2"); pitch
    // 0-100 (50 the voice's own), words per minute.
    bool SetVoice(const std::string& voice, int pitch, int rate);
    // Samples in -1..1 at SampleRate(), silence at both ends cut off.
    std::vector<double> Say(const std::string& text);
    int SampleRate() const { return rate_; }

  private:
    explicit Speech(int rate) : rate_(rate) {}
    int rate_;
};

}  // namespace assetgen
