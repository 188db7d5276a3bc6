#include "PsdText.h"

// The same word for the same thing in every row, as in the workers:
//   channel            色版 / チャンネル / 채널 / channel
//   merged image       合併影像 / 統合画像 / 병합 이미지 / merged image
//   section            區段 / 区画 / 구역 / section

namespace PsdText {

namespace {

const TextTable::Row rows[] = {
    // The reader: document structure.
    {{u"文件结构损坏：位置 %1 超出所在区段（%2）", u"檔案結構損毀：位置 %1 超出所在區段（%2）",
      u"ファイル構造が破損しています：位置 %1 が区画（%2）を超えています",
      u"파일 구조가 손상되었습니다: 위치 %1이(가) 구역(%2)을 벗어납니다",
      u"Damaged file structure: offset %1 lies beyond its section (%2)"}},
    {{u"无法打开文件：%1", u"無法開啟檔案：%1", u"ファイルを開けません：%1", u"파일을 열 수 없습니다: %1",
      u"Cannot open the file: %1"}},
    {{u"无法定位到文件位置 %1：%2", u"無法定位到檔案位置 %1：%2", u"ファイル位置 %1 にシークできません：%2",
      u"파일 위치 %1(으)로 이동할 수 없습니다: %2", u"Cannot seek to file offset %1: %2"}},
    {{u"读取文件失败（位置 %1）：%2", u"讀取檔案失敗（位置 %1）：%2", u"ファイルの読み込みに失敗しました（位置 %1）：%2",
      u"파일 읽기 실패(위치 %1): %2", u"Reading the file failed (offset %1): %2"}},
    {{u"文件结构损坏：%1（位置 %2）的长度 %3 超出文件或所在区段的末尾", u"檔案結構損毀：%1（位置 %2）的長度 %3 超出檔案或所在區段的結尾",
      u"ファイル構造が破損しています：%1（位置 %2）の長さ %3 がファイルまたは区画の末尾を超えています",
      u"파일 구조가 손상되었습니다: %1(위치 %2)의 길이 %3이(가) 파일 또는 구역의 끝을 넘습니다",
      u"Damaged file structure: the length %3 of the %1 at offset %2 runs past the end of the file or its section"}},
    // The structures that message names.
    {{u"颜色模式数据", u"色彩模式資料", u"カラーモードデータ", u"색상 모드 데이터", u"color mode data"}},
    {{u"图像资源区", u"影像資源區段", u"画像リソース区画", u"이미지 리소스 구역", u"image resource section"}},
    {{u"图像资源", u"影像資源", u"画像リソース", u"이미지 리소스", u"image resource"}},
    {{u"图层与蒙版信息", u"圖層與遮色片資訊", u"レイヤーとマスクの情報", u"레이어 및 마스크 정보", u"layer and mask information"}},
    {{u"图层信息", u"圖層資訊", u"レイヤー情報", u"레이어 정보", u"layer information"}},
    {{u"全局蒙版信息", u"全域遮色片資訊", u"グローバルマスク情報", u"전역 마스크 정보", u"global mask information"}},
    {{u"附加图层信息块“%1”", u"附加圖層資訊區塊「%1」", u"追加レイヤー情報ブロック「%1」", u"추가 레이어 정보 블록 “%1”",
      u"additional layer information block “%1”"}},
    {{u"图层蒙版数据", u"圖層遮色片資料", u"レイヤーマスクデータ", u"레이어 마스크 데이터", u"layer mask data"}},
    {{u"图层附加数据", u"圖層附加資料", u"レイヤーの追加データ", u"레이어 추가 데이터", u"layer extra data"}},
    {{u"混合范围", u"混合範圍", u"ブレンド範囲", u"혼합 범위", u"blending ranges"}},
    {{u"文件被截断或结构损坏：在位置 %1 需要 %2 字节，所在区段只剩 %3 字节",
      u"檔案被截斷或結構損毀：在位置 %1 需要 %2 位元組，所在區段只剩 %3 位元組",
      u"ファイルが途中で切れているか、構造が破損しています：位置 %1 で %2 バイト必要ですが、区画には %3 バイトしか残っていません",
      u"파일이 잘렸거나 구조가 손상되었습니다: 위치 %1에서 %2바이트가 필요하지만 구역에 %3바이트만 남아 있습니다",
      u"File truncated or damaged: %2 bytes needed at offset %1, only %3 left in its section"}},
    {{u"附加图层信息损坏：位置 %1 处没有块标识", u"附加圖層資訊損毀：位置 %1 處沒有區塊標識",
      u"追加レイヤー情報が破損しています：位置 %1 にブロックの識別子がありません",
      u"추가 레이어 정보가 손상되었습니다: 위치 %1에 블록 식별자가 없습니다",
      u"Damaged additional layer information: no block signature at offset %1"}},
    {{u"图层“%1”的蒙版范围无效", u"圖層「%1」的遮色片範圍無效", u"レイヤー「%1」のマスク範囲が無効です",
      u"레이어 “%1”의 마스크 범위가 잘못되었습니다", u"Invalid mask bounds in layer “%1”"}},
    {{u"图层范围无效（位置 %1）", u"圖層範圍無效（位置 %1）", u"レイヤーの範囲が無効です（位置 %1）",
      u"레이어 범위가 잘못되었습니다(위치 %1)", u"Invalid layer bounds (offset %1)"}},
    {{u"图层通道数 %1 超出格式允许的上限", u"圖層色版數 %1 超出格式允許的上限", u"レイヤーのチャンネル数 %1 が形式の上限を超えています",
      u"레이어 채널 수 %1이(가) 형식의 한도를 넘습니다", u"Layer channel count %1 exceeds the format's limit"}},
    {{u"图层记录损坏：混合模式标识不符（位置 %1）", u"圖層記錄損毀：混合模式標識不符（位置 %1）",
      u"レイヤーレコードが破損しています：描画モードの識別子が一致しません（位置 %1）",
      u"레이어 기록이 손상되었습니다: 혼합 모드 식별자가 맞지 않습니다(위치 %1)",
      u"Damaged layer record: blend mode signature mismatch (offset %1)"}},
    {{u"图层数量 %1 与图层信息的长度不符", u"圖層數量 %1 與圖層資訊的長度不符", u"レイヤー数 %1 がレイヤー情報の長さと一致しません",
      u"레이어 수 %1이(가) 레이어 정보의 길이와 맞지 않습니다", u"Layer count %1 does not match the length of the layer information"}},
    {{u"图层“%1”的通道数据超出图层信息的末尾", u"圖層「%1」的色版資料超出圖層資訊的結尾",
      u"レイヤー「%1」のチャンネルデータがレイヤー情報の末尾を超えています",
      u"레이어 “%1”의 채널 데이터가 레이어 정보의 끝을 넘습니다",
      u"Channel data of layer “%1” runs past the end of the layer information"}},
    {{u"图层“%1”使用了未知的压缩方式 %2", u"圖層「%1」使用了未知的壓縮方式 %2", u"レイヤー「%1」で不明な圧縮方式 %2 が使われています",
      u"레이어 “%1”이(가) 알 수 없는 압축 방식 %2을(를) 사용합니다", u"Layer “%1” uses an unknown compression method %2"}},
    {{u"不是 PSD/PSB 文件（文件头标识不符）", u"不是 PSD/PSB 檔案（檔頭標識不符）",
      u"PSD/PSB ファイルではありません（ヘッダーの識別子が一致しません）", u"PSD/PSB 파일이 아닙니다(헤더 식별자가 맞지 않음)",
      u"Not a PSD/PSB file (header signature mismatch)"}},
    {{u"不支持的 PSD 版本 %1", u"不支援的 PSD 版本 %1", u"対応していない PSD バージョン %1", u"지원하지 않는 PSD 버전 %1",
      u"Unsupported PSD version %1"}},
    {{u"通道数 %1 无效", u"色版數 %1 無效", u"チャンネル数 %1 が無効です", u"채널 수 %1이(가) 잘못되었습니다",
      u"Invalid channel count %1"}},
    {{u"画布尺寸 %1×%2 无效", u"畫布尺寸 %1×%2 無效", u"カンバスサイズ %1×%2 が無効です", u"캔버스 크기 %1×%2이(가) 잘못되었습니다",
      u"Invalid canvas size %1×%2"}},
    {{u"位深 %1 无效", u"位元深度 %1 無效", u"ビット深度 %1 が無効です", u"비트 심도 %1이(가) 잘못되었습니다",
      u"Invalid bit depth %1"}},
    {{u"未知的颜色模式 %1", u"未知的色彩模式 %1", u"不明なカラーモード %1", u"알 수 없는 색상 모드 %1", u"Unknown color mode %1"}},
    {{u"合并图像使用了未知的压缩方式 %1", u"合併影像使用了未知的壓縮方式 %1", u"統合画像で不明な圧縮方式 %1 が使われています",
      u"병합 이미지가 알 수 없는 압축 방식 %1을(를) 사용합니다", u"The merged image uses an unknown compression method %1"}},

    // The reader: linked files.
    {{u"链接文件记录损坏（位置 %1，长度 %2）", u"連結檔案記錄損毀（位置 %1，長度 %2）",
      u"リンクファイルのレコードが破損しています（位置 %1、長さ %2）", u"연결 파일 기록이 손상되었습니다(위치 %1, 길이 %2)",
      u"Damaged linked-file record at offset %1 (length %2)"}},

    // The reader: pixels.
    {{u"RLE 行长度超出通道数据（第 %1 行）", u"RLE 行長度超出色版資料（第 %1 行）",
      u"RLE の行の長さがチャンネルデータを超えています（%1 行目）", u"RLE 행 길이가 채널 데이터를 넘습니다(%1행)",
      u"RLE row length runs past the channel data (row %1)"}},
    {{u"RLE 数据解码长度不符（第 %1 行）", u"RLE 資料解碼長度不符（第 %1 行）",
      u"RLE データのデコード後の長さが一致しません（%1 行目）", u"RLE 데이터 디코딩 길이가 맞지 않습니다(%1행)",
      u"RLE data decodes to the wrong length (row %1)"}},
    {{u"RLE 数据解码长度不符（第 %1 行短缺 %2 字节）", u"RLE 資料解碼長度不符（第 %1 行短缺 %2 位元組）",
      u"RLE データのデコード後の長さが一致しません（%1 行目で %2 バイト不足）",
      u"RLE 데이터 디코딩 길이가 맞지 않습니다(%1행에서 %2바이트 부족)",
      u"RLE data decodes to the wrong length (row %1 is %2 bytes short)"}},
    {{u"无法初始化 ZIP 解压", u"無法初始化 ZIP 解壓縮", u"ZIP の展開を初期化できません", u"ZIP 압축 해제를 초기화할 수 없습니다",
      u"Cannot initialize ZIP decompression"}},
    {{u"ZIP 数据解压后长度不足（缺 %1 字节）", u"ZIP 資料解壓縮後長度不足（缺 %1 位元組）",
      u"ZIP データを展開した長さが足りません（%1 バイト不足）", u"ZIP 데이터의 압축 해제 길이가 부족합니다(%1바이트 부족)",
      u"ZIP data decompresses too short (%1 bytes missing)"}},
    {{u"ZIP 数据解压后长度超出通道大小或数据损坏", u"ZIP 資料解壓縮後長度超出色版大小或資料損毀",
      u"ZIP データを展開した長さがチャンネルのサイズを超えているか、データが破損しています",
      u"ZIP 데이터의 압축 해제 길이가 채널 크기를 넘거나 데이터가 손상되었습니다",
      u"ZIP data decompresses past the channel size, or is damaged"}},
    {{u"ZIP 数据损坏", u"ZIP 資料損毀", u"ZIP データが破損しています", u"ZIP 데이터가 손상되었습니다", u"Damaged ZIP data"}},
    {{u"索引颜色文档缺少调色板", u"索引色文件缺少調色盤", u"インデックスカラーのドキュメントにパレットがありません",
      u"인덱스 색상 문서에 팔레트가 없습니다", u"Indexed color document has no palette"}},
    {{u"不支持的颜色模式", u"不支援的色彩模式", u"対応していないカラーモード", u"지원하지 않는 색상 모드", u"Unsupported color mode"}},
    {{u"图层过大（%1×%2），超出可处理的上限", u"圖層過大（%1×%2），超出可處理的上限",
      u"レイヤーが大きすぎます（%1×%2）。処理できる上限を超えています", u"레이어가 너무 큽니다(%1×%2). 처리 한도를 넘습니다",
      u"Layer too large (%1×%2), above the limit that can be processed"}},
    {{u"未压缩的通道数据不足（缺 %1 字节）", u"未壓縮的色版資料不足（缺 %1 位元組）",
      u"非圧縮のチャンネルデータが足りません（%1 バイト不足）", u"압축되지 않은 채널 데이터가 부족합니다(%1바이트 부족)",
      u"Uncompressed channel data too short (%1 bytes missing)"}},
    {{u"RLE 行长度表不完整", u"RLE 行長度表不完整", u"RLE の行長テーブルが不完全です", u"RLE 행 길이 표가 불완전합니다",
      u"Incomplete RLE row length table"}},
    {{u"未知的压缩方式", u"未知的壓縮方式", u"不明な圧縮方式", u"알 수 없는 압축 방식", u"Unknown compression method"}},
    {{u"通道 %1 没有数据", u"色版 %1 沒有資料", u"チャンネル %1 にデータがありません", u"채널 %1에 데이터가 없습니다",
      u"Channel %1 has no data"}},
    {{u"通道 %1 的数据不足以填满 %2×%3 的图层", u"色版 %1 的資料不足以填滿 %2×%3 的圖層",
      u"チャンネル %1 のデータが %2×%3 のレイヤーを満たすには足りません", u"채널 %1의 데이터가 %2×%3 레이어를 채우기에 부족합니다",
      u"Channel %1 has too little data to fill a %2×%3 layer"}},
    {{u"通道 %1 的压缩数据长度异常", u"色版 %1 的壓縮資料長度異常", u"チャンネル %1 の圧縮データの長さが異常です",
      u"채널 %1의 압축 데이터 길이가 비정상입니다", u"Odd compressed data length in channel %1"}},
    {{u"不支持多通道（Multichannel）颜色模式", u"不支援多色版（Multichannel）色彩模式",
      u"マルチチャンネル（Multichannel）カラーモードには対応していません", u"다중 채널(Multichannel) 색상 모드는 지원하지 않습니다",
      u"The Multichannel color mode is not supported"}},
    {{u"位深 %1 与颜色模式不符", u"位元深度 %1 與色彩模式不符", u"ビット深度 %1 がカラーモードと一致しません",
      u"비트 심도 %1이(가) 색상 모드와 맞지 않습니다", u"Bit depth %1 does not match the color mode"}},
    {{u"索引颜色文档的位深必须为 8", u"索引色文件的位元深度必須為 8", u"インデックスカラーのドキュメントのビット深度は 8 である必要があります",
      u"인덱스 색상 문서의 비트 심도는 8이어야 합니다", u"An indexed color document must have a bit depth of 8"}},
    {{u"文档的通道数少于其颜色模式所需", u"文件的色版數少於其色彩模式所需", u"ドキュメントのチャンネル数がカラーモードに必要な数より少なくなっています",
      u"문서의 채널 수가 색상 모드에 필요한 수보다 적습니다", u"The document has fewer channels than its color mode needs"}},
    {{u"图层序号 %1 无效", u"圖層序號 %1 無效", u"レイヤー番号 %1 が無効です", u"레이어 번호 %1이(가) 잘못되었습니다",
      u"Invalid layer index %1"}},
    {{u"图层“%1”的通道数据不足以填满 %2×%3 的图层", u"圖層「%1」的色版資料不足以填滿 %2×%3 的圖層",
      u"レイヤー「%1」のチャンネルデータが %2×%3 のレイヤーを満たすには足りません",
      u"레이어 “%1”의 채널 데이터가 %2×%3 레이어를 채우기에 부족합니다",
      u"Channel data of layer “%1” is too short to fill a %2×%3 layer"}},
    {{u"内存不足，无法解码图层（%1×%2）", u"記憶體不足，無法解碼圖層（%1×%2）", u"メモリが不足しているため、レイヤーをデコードできません（%1×%2）",
      u"메모리가 부족하여 레이어를 디코딩할 수 없습니다(%1×%2)", u"Not enough memory to decode the layer (%1×%2)"}},
    {{u"文档没有合并图像数据", u"文件沒有合併影像資料", u"ドキュメントに統合画像のデータがありません", u"문서에 병합 이미지 데이터가 없습니다",
      u"The document has no merged image data"}},
    {{u"合并图像的 RLE 数据长度异常", u"合併影像的 RLE 資料長度異常", u"統合画像の RLE データの長さが異常です",
      u"병합 이미지의 RLE 데이터 길이가 비정상입니다", u"Odd RLE data length in the merged image"}},
    {{u"内存不足，无法解码合并图像", u"記憶體不足，無法解碼合併影像", u"メモリが不足しているため、統合画像をデコードできません",
      u"메모리가 부족하여 병합 이미지를 디코딩할 수 없습니다", u"Not enough memory to decode the merged image"}},
};

// Its language is written once at start, before any file is read.
TextTable::Catalog catalog(rows);

} // namespace

bool SetLanguage(const QString &code)
{
    return catalog.setLanguage(code);
}

QString Translate(const QString &source)
{
    return catalog.translate(source);
}

const TextTable::Dictionary &Dictionary()
{
    return catalog.dictionary();
}

} // namespace PsdText
