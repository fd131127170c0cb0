#include "tools/assetgen/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace assetgen {

std::vector<uint8_t> EncodeMp3(const std::vector<double>& samples, int rate) {
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) return {};
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_brate(lame.get(), 64);
    lame_set_quality(lame.get(), 2);
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) return {};
    std::vector<short> pcm(samples.size());
    std::transform(samples.begin(), samples.end(), pcm.begin(),
                   [](double s) { return short(std::lround(std::clamp(s, -1.0, 1.0) * 32767)); });
    std::vector<uint8_t> out(pcm.size() * 5 / 4 + 7200);
    const int coded = lame_encode_buffer(lame.get(), pcm.data(), pcm.data(), int(pcm.size()),
                                         out.data(), int(out.size()));
    if (coded < 0) return {};
    const int tail = lame_encode_flush(lame.get(), out.data() + coded, int(out.size()) - coded);
    if (tail < 0) return {};
    out.resize(size_t(coded + tail));
    return out;
}

}  // namespace assetgen
