#include "suggestionmodel.h"

#include "rawvectors.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

// Chosen on the benchmark (bench/suggest.py): more rounds gained little for their time, other step sizes
// nothing.
constexpr int Rounds = 4;
constexpr float Aggressiveness = 0.3f;
constexpr float Smoothing = 0.05f; // naive Bayes' additive smoothing
constexpr float Sharpness = 0.9f; // so that a score is about the share of such suggestions that are right

// Turns each score into how far it stands above the others, in their standard deviations.
void standardise(std::vector<float> &values)
{
    const float mean = std::accumulate(values.begin(), values.end(), 0.0f) / float(values.size());
    float variance = 0;
    for (const float value : values)
        variance += (value - mean) * (value - mean);
    const float deviation = std::sqrt(variance / float(values.size())) + 1e-9f;
    for (float &value : values)
        value = (value - mean) / deviation;
}

} // namespace

namespace {

// Features to small numbers, for the many lookups of learning: open addressing, no allocation per entry.
class FeatureTable
{
public:
    explicit FeatureTable(size_t expected)
    {
        size_t size = 1024;
        while (size < expected * 2)
            size *= 2;
        m_keys.assign(size, 0);
        m_values.assign(size, 0);
        m_used.assign(size, 0);
        m_mask = size - 1;
    }
    quint32 &operator[](quint32 key)
    {
        size_t slot = (key * 2654435761u) & m_mask;
        while (m_used[slot] && m_keys[slot] != key)
            slot = (slot + 1) & m_mask;
        if (!m_used[slot]) {
            m_used[slot] = 1;
            m_keys[slot] = key;
        }
        return m_values[slot];
    }
    template<typename Visit>
    void forEach(Visit visit)
    {
        for (size_t slot = 0; slot <= m_mask; ++slot) {
            if (m_used[slot])
                visit(m_keys[slot], m_values[slot]);
        }
    }

private:
    std::vector<quint32> m_keys;
    std::vector<quint32> m_values;
    std::vector<quint8> m_used;
    size_t m_mask = 0;
};

// Adds a row of bytes in steps of `scale`, times x, to the sums.
__attribute__((target_clones("avx2", "default"))) void addRow(float *sums, const qint8 *row, float scale, int width)
{
    for (int f = 0; f < width; ++f)
        sums[f] += scale * float(row[f]);
}

// The scores of one example: the sum of its rows, each times its weight. Most of learning is spent here,
// so it is built for wider vector units too and the processor's best is taken at run time.
__attribute__((target_clones("avx2", "default"))) void scoreRows(float *score, const float *weights, size_t width,
                                                                 const quint32 *rows, const float *xs, size_t count)
{
    std::fill(score, score + width, 0.0f);
    for (size_t e = 0; e < count; ++e) {
        const float x = xs[e];
        const float *__restrict weightRow = weights + size_t(rows[e]) * width;
        for (size_t f = 0; f < width; ++f)
            score[f] += x * weightRow[f];
    }
}

} // namespace

void SuggestionModel::train(const std::vector<Example> &examples, int folders)
{
    *this = SuggestionModel();
    if (examples.empty() || folders <= 0)
        return;
    m_folders = folders;

    // The features of at least two examples, numbered in sorted order.
    size_t occurrences = 0;
    for (const Example &example : examples)
        occurrences += example.features.size();
    FeatureTable table(occurrences / 4 + 16);
    for (const Example &example : examples) {
        for (const auto &[feature, count] : example.features)
            ++table[feature];
    }
    std::vector<std::pair<quint32, quint32>> kept; // feature and how many examples have it
    table.forEach([&kept](quint32 feature, quint32 &pages) {
        if (pages >= 2)
            kept.emplace_back(feature, pages);
        pages = ~0u;
    });
    std::sort(kept.begin(), kept.end());
    const size_t rows = kept.size();
    const float pages = float(examples.size());
    std::vector<quint32> features(rows);
    std::vector<float> idf(rows);
    for (size_t row = 0; row < rows; ++row) {
        features[row] = kept[row].first;
        idf[row] = std::log(pages / float(kept[row].second));
        table[kept[row].first] = quint32(row);
    }
    std::vector<std::pair<quint32, quint32>>().swap(kept);

    // Each example as rows with weights of unit length for the classifier, and as counts for naive Bayes.
    // The classifier's rows are numbered by how many examples have their feature, most first: the rows
    // that nearly every step reads then lie together and stay in the processor's cache.
    std::vector<quint32> hotOf(rows);
    {
        std::vector<quint32> byUse(rows);
        std::iota(byUse.begin(), byUse.end(), 0);
        std::stable_sort(byUse.begin(), byUse.end(),
                         [&](quint32 a, quint32 b) { return idf[a] < idf[b]; });
        for (size_t hot = 0; hot < rows; ++hot)
            hotOf[byUse[hot]] = quint32(hot);
    }
    struct Entry
    {
        quint32 row;
        float count;
    };
    std::vector<Entry> entries;
    std::vector<quint32> hots; // of each entry: its row in the classifier while it learns
    std::vector<float> xs; // of each entry: its weight in the example, for the classifier
    entries.reserve(occurrences);
    hots.reserve(occurrences);
    xs.reserve(occurrences);
    std::vector<size_t> exampleStart(examples.size() + 1);
    for (size_t i = 0; i < examples.size(); ++i) {
        exampleStart[i] = entries.size();
        double norm = 0;
        for (const auto &[feature, count] : examples[i].features) {
            const quint32 row = table[feature];
            if (row == ~0u)
                continue;
            const float x = (1 + std::log(count)) * idf[row];
            entries.push_back({row, count});
            hots.push_back(hotOf[row]);
            xs.push_back(x);
            norm += double(x) * x;
        }
        const float scale = norm > 0 ? float(1 / std::sqrt(norm)) : 0;
        for (size_t e = exampleStart[i]; e < entries.size(); ++e)
            xs[e] *= scale;
    }
    exampleStart.back() = entries.size();

    // Naive Bayes: the count of each feature in each folder that has it, gathered folder by folder so that
    // each row's cells come out in folder order, counted first and then filled.
    std::vector<float> folderCounts(folders), folderPages(folders);
    const size_t width = size_t(folders);
    std::vector<float> counts(rows * width);
    {
        for (size_t i = 0; i < examples.size(); ++i) {
            const int folder = examples[i].folder;
            folderPages[folder] += 1;
            for (size_t e = exampleStart[i]; e < exampleStart[i + 1]; ++e) {
                counts[entries[e].row * width + folder] += entries[e].count;
                folderCounts[folder] += entries[e].count;
            }
        }
        for (float &count : counts)
            count = std::log((count + Smoothing) / Smoothing);
    }

    // Passive-aggressive rounds: each feature a row of all folders, so that scoring an example runs down
    // whole rows.
    std::vector<float> weights(rows * width), sums(rows * width);
    std::vector<size_t> order(examples.size());
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 random(1); // the same archive learns the same model
    std::vector<float> score(width);
    std::vector<std::pair<int, float>> rivals; // and what each loses by
    for (int round = 0; round < Rounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (const size_t i : order) {
            scoreRows(score.data(), weights.data(), width, hots.data() + exampleStart[i], xs.data() + exampleStart[i],
                      exampleStart[i + 1] - exampleStart[i]);
            // Every folder that comes within the margin of the right one is pushed back, each by its share:
            // that orders the runners-up too, which a top-three list needs.
            const int folder = examples[i].folder;
            rivals.clear();
            for (int f = 0; f < folders; ++f) {
                if (f != folder && score[f] > score[folder] - 1)
                    rivals.emplace_back(f, 1 - (score[folder] - score[f]));
            }
            float total = 0;
            for (auto &[f, loss] : rivals)
                total += loss = std::min(Aggressiveness / float(rivals.size()), loss / 2); // loss becomes the step
            if (!rivals.empty()) {
                // Row by row, so that each row is fetched once.
                for (size_t e = exampleStart[i]; e < exampleStart[i + 1]; ++e) {
                    float *weight = weights.data() + hots[e] * width;
                    weight[folder] += total * xs[e];
                    for (const auto &[f, tau] : rivals)
                        weight[f] -= tau * xs[e];
                }
            }
        }
        // The average of the weights after each round: steadier than the last round's, as the average over
        // every step would be, without a second row to write at every step.
        for (size_t k = 0; k < weights.size(); ++k)
            sums[k] += weights[k];
    }
    // The averaged weights, back in the order of the features.
    std::vector<float> averaged(rows * width);
    for (size_t row = 0; row < rows; ++row) {
        const size_t hot = hotOf[row] * width;
        for (size_t f = 0; f < width; ++f)
            averaged[row * width + f] = sums[hot + f] / float(Rounds);
    }
    pack(features, idf, averaged, counts);

    const float featureCount = float(rows);
    m_logPrior.resize(folders);
    m_logDenominator.resize(folders);
    for (int f = 0; f < folders; ++f) {
        m_logPrior[f] = std::log(std::max(folderPages[f], 1.0f) / pages);
        m_logDenominator[f] = std::log(folderCounts[f] + Smoothing * featureCount);
    }
}

void SuggestionModel::pack(const std::vector<quint32> &features, const std::vector<float> &idf,
                           const std::vector<float> &weights, const std::vector<float> &bayes)
{
    const size_t width = size_t(m_folders);
    m_stride = (sizeof(RowHead) + 2 * width + sizeof(RowHead) - 1) / sizeof(RowHead);
    m_rows.assign(features.size() * m_stride, RowHead {});
    const auto bytes = [width](const float *values, qint8 *into) {
        float largest = 0;
        for (size_t f = 0; f < width; ++f)
            largest = std::max(largest, std::abs(values[f]));
        for (size_t f = 0; f < width; ++f)
            into[f] = qint8(largest > 0 ? std::lround(values[f] * 127 / largest) : 0);
        return largest / 127;
    };
    for (size_t row = 0; row < features.size(); ++row) {
        RowHead *head = &m_rows[row * m_stride];
        head->feature = features[row];
        head->idf = idf[row];
        head->weightScale = bytes(weights.data() + row * width, const_cast<qint8 *>(weightsOf(head)));
        head->bayesScale = bytes(bayes.data() + row * width, const_cast<qint8 *>(bayesOf(head)));
    }
    index();
}

void SuggestionModel::index()
{
    const size_t rows = m_stride ? m_rows.size() / m_stride : 0;
    size_t size = 1024;
    while (size < rows * 2)
        size *= 2;
    m_slots.assign(size, Slot {0, 0});
    for (size_t row = 0; row < rows; ++row) {
        const quint32 feature = m_rows[row * m_stride].feature;
        size_t slot = (feature * 2654435761u) & (size - 1);
        while (m_slots[slot].row != 0)
            slot = (slot + 1) & (size - 1);
        m_slots[slot] = Slot {feature, quint32(row + 1)};
    }
}

const SuggestionModel::RowHead *SuggestionModel::rowOf(quint32 feature) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = (feature * 2654435761u) & mask; m_slots[slot].row != 0; slot = (slot + 1) & mask) {
        if (m_slots[slot].feature == feature)
            return &m_rows[(m_slots[slot].row - 1) * m_stride];
    }
    return nullptr;
}

std::vector<float> SuggestionModel::scores(const PageWords::Counts &features) const
{
    std::vector<float> classifier(m_folders), bayes(m_folders);
    if (m_folders == 0)
        return classifier;
    // The rows lie all over memory: each pass asks for what the next one reads, so that the processor
    // waits for many at once rather than for one after another.
    constexpr size_t line = 64;
    const size_t mask = m_slots.size() - 1;
    for (const auto &[feature, count] : features)
        __builtin_prefetch(&m_slots[(feature * 2654435761u) & mask]);
    std::vector<std::pair<const RowHead *, float>> rows;
    rows.reserve(features.size());
    for (const auto &[feature, count] : features) {
        if (const RowHead *row = rowOf(feature)) { // else no two filed pages have it: it speaks for no folder
            for (size_t at = 0; at < m_stride * sizeof(RowHead); at += line)
                __builtin_prefetch(reinterpret_cast<const char *>(row) + at);
            rows.emplace_back(row, count);
        }
    }
    double norm = 0;
    float known = 0;
    for (const auto &[row, count] : rows) {
        const float x = (1 + std::log(count)) * row->idf;
        norm += double(x) * x;
        known += count;
        addRow(classifier.data(), weightsOf(row), x * row->weightScale, m_folders);
        addRow(bayes.data(), bayesOf(row), count * row->bayesScale, m_folders);
    }
    if (rows.empty())
        return {}; // nothing of the page was ever filed: no folder has more to say for it than another
    if (norm > 0) {
        const float scale = float(1 / std::sqrt(norm));
        for (float &value : classifier)
            value *= scale;
    }
    for (int f = 0; f < m_folders; ++f)
        bayes[f] += m_logPrior[f] + known * (std::log(Smoothing) - m_logDenominator[f]);

    standardise(classifier);
    standardise(bayes);
    std::vector<float> shares(m_folders);
    float highest = -1e30f;
    for (int f = 0; f < m_folders; ++f) {
        shares[f] = Sharpness * (classifier[f] + bayes[f]);
        highest = std::max(highest, shares[f]);
    }
    float sum = 0;
    for (float &share : shares)
        sum += share = std::exp(share - highest);
    for (float &share : shares)
        share /= sum;
    return shares;
}

float SuggestionModel::pullOf(quint32 feature, int folder) const
{
    const RowHead *row = rowOf(feature);
    if (!row)
        return 0;
    const qint8 *weights = weightsOf(row);
    const float all = float(std::accumulate(weights, weights + m_folders, 0));
    return row->idf * row->weightScale * (float(weights[folder]) - all / float(m_folders));
}

QDataStream &operator<<(QDataStream &out, const SuggestionModel &model)
{
    out << qint32(model.m_folders) << quint64(model.m_stride);
    RawVectors::write(out, model.m_rows);
    RawVectors::write(out, model.m_logPrior);
    RawVectors::write(out, model.m_logDenominator);
    return out;
}

QDataStream &operator>>(QDataStream &in, SuggestionModel &model)
{
    SuggestionModel read;
    qint32 folders = 0;
    quint64 stride = 0;
    in >> folders >> stride;
    read.m_folders = folders;
    read.m_stride = size_t(stride);
    const bool whole = in.status() == QDataStream::Ok && folders >= 0 && folders <= 65535
        && RawVectors::read(in, read.m_rows) && RawVectors::read(in, read.m_logPrior) && RawVectors::read(in, read.m_logDenominator);
    // Every row the scores follow must lie inside what was read.
    const size_t width = size_t(folders);
    const bool sound = whole && stride == (sizeof(SuggestionModel::RowHead) + 2 * width + sizeof(SuggestionModel::RowHead) - 1) / sizeof(SuggestionModel::RowHead)
        && read.m_rows.size() % stride == 0 && read.m_logPrior.size() == width
        && read.m_logDenominator.size() == width;
    if (sound) {
        model = std::move(read);
        model.index();
    } else {
        in.setStatus(QDataStream::ReadCorruptData);
    }
    return in;
}
