#pragma once

#include "pagewords.h"

#include <QDataStream>

#include <vector>

// Which folder a page belongs in, learned from the pages filed in each: an averaged passive-aggressive
// classifier over tf-idf weighted features, blended with naive Bayes over the plain counts. Of the models
// measured on package descriptions filed by section (centroids, naive Bayes alone, complement naive Bayes,
// nearest neighbours, logistic regression), this blend came out best, and it learns from 20,000 pages in
// about a second.
class SuggestionModel
{
public:
    struct Example
    {
        PageWords::Counts features;
        int folder = 0;
    };

    /// Learns anew from the examples, of folders 0 to folders - 1.
    void train(const std::vector<Example> &examples, int folders);

    int folders() const { return m_folders; }

    /// Each folder's score for the page: between 0 and 1, together 1; none when no filed page shares
    /// anything with it.
    std::vector<float> scores(const PageWords::Counts &features) const;

    /// What the feature adds to the folder's score, against the average folder; positive when it speaks
    /// for the folder.
    float pullOf(quint32 feature, int folder) const;

    friend QDataStream &operator<<(QDataStream &out, const SuggestionModel &model);
    friend QDataStream &operator>>(QDataStream &in, SuggestionModel &model);

private:
    // A feature's row: its numbers, then a byte for each folder from the classifier's averaged weights and
    // one from naive Bayes's log((count + a) / a), each in steps of its row's scale. Bytes take a quarter
    // of the memory and of the cache file and score as well on the benchmark; one row in one place spares
    // the processor most of its waits for memory.
    struct RowHead
    {
        quint32 feature;
        float idf;
        float weightScale;
        float bayesScale;
    };
    const RowHead *rowOf(quint32 feature) const;
    const qint8 *weightsOf(const RowHead *row) const { return reinterpret_cast<const qint8 *>(row + 1); }
    const qint8 *bayesOf(const RowHead *row) const { return weightsOf(row) + m_folders; }
    void pack(const std::vector<quint32> &features, const std::vector<float> &idf, const std::vector<float> &weights,
              const std::vector<float> &bayes);
    void index();

    int m_folders = 0;
    size_t m_stride = 0; ///< bytes of a row
    std::vector<RowHead> m_rows; ///< the features of at least two examples (one alone says nothing)
    struct Slot
    {
        quint32 feature;
        quint32 row; ///< + 1; 0 for an empty slot
    };
    std::vector<Slot> m_slots; ///< by the feature's hash, so that a look-up need not visit rows
    std::vector<float> m_logPrior; ///< of each folder
    std::vector<float> m_logDenominator; ///< of each folder's naive Bayes probabilities
};
