#pragma once
// The boxes the stepping features show, word for word.

#include <QString>

namespace kurumin::msg {

inline QString limiterText() {
    return QStringLiteral("数値リミッタが作動中です。");
}
inline QString limiterTitle() {
    return QStringLiteral("Kurumin　Erroｒ_02");
}

inline QString pickText() {
    return QStringLiteral("数値を抽出できません。");
}
inline QString pickTitle() {
    return QStringLiteral("Kurumin Error_03");
}

inline QString rangeWidthText() {
    return QStringLiteral("桁数の違う連番ＵＲＬを指定していませんか？\r\n"
                          "対応できない例：　[0-20]\r\n"
                          "このまま実行可能ですが、エラーになる可能性があります。");
}
inline QString rangeWidthTitle() {
    return QStringLiteral("Kurumin Error_04");
}

// UP and DWN say "動作を"; the count buttons and step windows do not.
inline QString stepFailedText() {
    return QStringLiteral("無効な動作が要求されたので、動作をキャンセルします。\r\n"
                          "要求した命令に間違いがないか確認してください。");
}
inline QString countFailedText() {
    return QStringLiteral("無効な動作が要求されたので、キャンセルします。\r\n"
                          "要求した命令に間違いがないか確認してください。");
}
inline QString stepFailedTitle() {
    return QStringLiteral("Kurumin　Error_06");
}

inline QString accessText() {
    return QStringLiteral("アクセスできませんでした。\r\n"
                          "Internet Explorer もしくは Net環境の設定を確認してください。");
}
inline QString accessTitle() {
    return QStringLiteral("Kurumin　Error_08");
}

} // namespace kurumin::msg
