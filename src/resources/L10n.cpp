#include "L10n.h"

#include <QVarLengthArray>

using namespace Qt::StringLiterals;

namespace aru::L10n {

namespace {

// Columns: en, fr, ja, es (the order of AppLanguage).
Table buildStrings() {
    return Table{
        {u"settings.title"_s, {u"SETTINGS"_s, u"RÉGLAGES"_s, u"設定"_s, u"AJUSTES"_s}},
        {u"settings.audio.title"_s,
         {u"🔊 Audio output"_s, u"🔊 Sortie audio"_s, u"🔊 オーディオ出力"_s, u"🔊 Salida de audio"_s}},
        {u"settings.audio.systemDefault"_s,
         {u"System output (default)"_s, u"Sortie système (par défaut)"_s,
          u"システム出力(デフォルト)"_s, u"Salida del sistema (predeterminada)"_s}},
        {u"settings.audio.applies"_s,
         {u"This preference applies to the app's internal audio player."_s,
          u"Cette préférence s'applique au lecteur audio interne de l'app."_s,
          u"この設定はアプリ内オーディオプレーヤーに適用されます。"_s,
          u"Esta preferencia se aplica al reproductor de audio interno de la app."_s}},
        {u"settings.folder.title"_s,
         {u"📁 Download folder"_s, u"📁 Dossier de téléchargement"_s, u"📁 ダウンロードフォルダ"_s,
          u"📁 Carpeta de descargas"_s}},
        {u"settings.folder.change"_s, {u"Change…"_s, u"Modifier…"_s, u"変更…"_s, u"Cambiar…"_s}},
        {u"settings.folder.open"_s, {u"Open"_s, u"Ouvrir"_s, u"開く"_s, u"Abrir"_s}},
        {u"settings.account.title"_s,
         {u"👤 Account"_s, u"👤 Compte"_s, u"👤 アカウント"_s, u"👤 Cuenta"_s}},
        {u"settings.account.logout"_s,
         {u"Sign out"_s, u"Déconnexion"_s, u"ログアウト"_s, u"Cerrar sesión"_s}},
        {u"settings.language.title"_s,
         {u"🌐 Language"_s, u"🌐 Langue"_s, u"🌐 言語"_s, u"🌐 Idioma"_s}},
        {u"panel.choose.message"_s,
         {u"Choose the folder for WAV downloads"_s,
          u"Choisis le dossier où enregistrer les téléchargements WAV"_s,
          u"WAVダウンロードを保存するフォルダを選択"_s,
          u"Elige la carpeta para descargar los WAV"_s}},
        {u"panel.choose.prompt"_s, {u"Choose"_s, u"Choisir"_s, u"選択"_s, u"Elegir"_s}},
        {u"login.subtitle"_s,
         {u"SYNC CATALOGUE"_s, u"CATALOGUE SYNC"_s, u"シンクカタログ"_s, u"CATÁLOGO SYNC"_s}},
        {u"login.title"_s, {u"Sign in"_s, u"Connexion"_s, u"ログイン"_s, u"Iniciar sesión"_s}},
        {u"login.email"_s, {u"Email"_s, u"Email"_s, u"メール"_s, u"Correo"_s}},
        {u"login.password"_s, {u"Password"_s, u"Mot de passe"_s, u"パスワード"_s, u"Contraseña"_s}},
        {u"login.submit"_s, {u"Sign in"_s, u"Se connecter"_s, u"ログイン"_s, u"Iniciar sesión"_s}},
        {u"login.submit.loading"_s,
         {u"Signing in…"_s, u"Connexion…"_s, u"ログイン中…"_s, u"Iniciando sesión…"_s}},
        {u"login.invalidResponse"_s,
         {u"Invalid server response"_s, u"Réponse invalide du serveur"_s,
          u"サーバーレスポンスが無効です"_s, u"Respuesta inválida del servidor"_s}},
        {u"login.forgotPassword"_s,
         {u"Forgot your password?"_s, u"Mot de passe oublié ?"_s, u"パスワードをお忘れですか?"_s,
          u"¿Olvidaste tu contraseña?"_s}},
        {u"login.reset.subtitle"_s,
         {u"RESET PASSWORD"_s, u"RÉINITIALISER"_s, u"リセット"_s, u"REINICIAR"_s}},
        {u"login.reset.title"_s,
         {u"Receive a recovery link"_s, u"Recevoir un lien de réinitialisation"_s,
          u"リカバリーリンクを受け取る"_s, u"Recibir un enlace de recuperación"_s}},
        {u"login.reset.send"_s, {u"Send"_s, u"Envoyer"_s, u"送信"_s, u"Enviar"_s}},
        {u"login.reset.sending"_s, {u"Sending…"_s, u"Envoi…"_s, u"送信中…"_s, u"Enviando…"_s}},
        {u"login.reset.success"_s,
         {u"Email sent. Check your inbox to set a new password."_s,
          u"Email envoyé. Vérifiez votre boîte de réception pour définir un nouveau mot de passe."_s,
          u"メールを送信しました。受信トレイを確認して新しいパスワードを設定してください。"_s,
          u"Email enviado. Revisa tu bandeja de entrada para establecer una nueva contraseña."_s}},
        {u"login.reset.back"_s,
         {u"← Back to sign in"_s, u"← Retour à la connexion"_s, u"← ログインに戻る"_s,
          u"← Volver a iniciar sesión"_s}},
        {u"login.sessionExpired"_s,
         {u"Your session has expired. Please sign in again."_s,
          u"Votre session a expiré. Veuillez vous reconnecter."_s,
          u"セッションの有効期限が切れました。もう一度ログインしてください。"_s,
          u"Tu sesión ha caducado. Vuelve a iniciar sesión."_s}},
        {u"header.section"_s, {u"Sync"_s, u"Sync"_s, u"シンク"_s, u"Sync"_s}},
        {u"header.tagline"_s,
         {u"MUSIC FOR FILM, TELEVISION, ADVERTISING & MEDIA"_s,
          u"MUSIQUE POUR FILM, TÉLÉVISION, PUBLICITÉ & MÉDIAS"_s,
          u"映画・テレビ・広告・メディアのための音楽"_s,
          u"MÚSICA PARA CINE, TELEVISIÓN, PUBLICIDAD Y MEDIOS"_s}},
        {u"catalog.search.placeholder"_s,
         {u"Search by title, mood, genre… or drop an image"_s,
          u"Rechercher par titre, mood, genre… ou déposer une image"_s,
          u"タイトル、ムード、ジャンル… または画像をドロップ"_s,
          u"Buscar por título, ambiente, género… o arrastrar una imagen"_s}},
        {u"catalog.empty"_s,
         {u"No tracks"_s, u"Aucun morceau"_s, u"曲がありません"_s, u"Sin canciones"_s}},
        {u"catalog.search.aiBusy"_s,
         {u"AI search…"_s, u"Recherche intelligente…"_s, u"AI検索中…"_s, u"Búsqueda IA…"_s}},
        {u"catalog.loadFailed"_s,
         {u"The catalogue could not be loaded"_s, u"Le catalogue n'a pas pu être chargé"_s,
          u"カタログを読み込めませんでした"_s, u"No se pudo cargar el catálogo"_s}},
        {u"catalog.retry"_s, {u"RETRY"_s, u"RÉESSAYER"_s, u"再試行"_s, u"REINTENTAR"_s}},
        {u"shortcuts.title"_s,
         {u"Keyboard shortcuts"_s, u"Raccourcis clavier"_s, u"キーボードショートカット"_s,
          u"Atajos de teclado"_s}},
        {u"shortcuts.select"_s,
         {u"Move the selection"_s, u"Déplacer la sélection"_s, u"選択を移動"_s,
          u"Mover la selección"_s}},
        {u"shortcuts.play"_s,
         {u"Play the selected track"_s, u"Écouter le morceau sélectionné"_s, u"選択した曲を再生"_s,
          u"Reproducir la pista seleccionada"_s}},
        {u"shortcuts.pause"_s,
         {u"Play or pause"_s, u"Lecture ou pause"_s, u"再生／一時停止"_s,
          u"Reproducir o pausar"_s}},
        {u"shortcuts.seek"_s,
         {u"Back or forward 5 s (Shift: 30 s)"_s, u"Reculer ou avancer de 5 s (Maj : 30 s)"_s,
          u"5秒戻る／進む（Shift：30秒）"_s, u"Retroceder o avanzar 5 s (Mayús: 30 s)"_s}},
        {u"shortcuts.favorite"_s,
         {u"Add to or remove from favourites"_s, u"Ajouter aux favoris ou en retirer"_s,
          u"お気に入りに追加／削除"_s, u"Añadir o quitar de favoritos"_s}},
        {u"shortcuts.download"_s,
         {u"Download the WAV"_s, u"Télécharger le WAV"_s, u"WAVをダウンロード"_s,
          u"Descargar el WAV"_s}},
        {u"shortcuts.info"_s,
         {u"Show the track's details"_s, u"Afficher les détails du morceau"_s, u"曲の詳細を表示"_s,
          u"Mostrar los detalles de la pista"_s}},
        {u"shortcuts.search"_s, {u"Search"_s, u"Rechercher"_s, u"検索"_s, u"Buscar"_s}},
        {u"shortcuts.escape"_s,
         {u"Leave the field, clear the search, close the panel"_s,
          u"Quitter le champ, effacer la recherche, fermer le panneau"_s,
          u"入力欄を離れる、検索をクリア、パネルを閉じる"_s,
          u"Salir del campo, borrar la búsqueda, cerrar el panel"_s}},
        {u"shortcuts.audition"_s,
         {u"While a track plays, moving the selection plays the new one."_s,
          u"Pendant la lecture, déplacer la sélection fait écouter le nouveau morceau."_s,
          u"再生中に選択を移動すると、その曲を再生します。"_s,
          u"Durante la reproducción, mover la selección reproduce la nueva pista."_s}},
        {u"catalog.offline.notice"_s,
         {u"Server unreachable — showing the catalogue saved on this computer"_s,
          u"Serveur injoignable — affichage du catalogue enregistré sur cet ordinateur"_s,
          u"サーバーに接続できません — このコンピューターに保存されたカタログを表示しています"_s,
          u"Servidor inaccesible: se muestra el catálogo guardado en este equipo"_s}},
        {u"sidebar.title"_s, {u"COLLECTION"_s, u"COLLECTION"_s, u"コレクション"_s, u"COLECCIÓN"_s}},
        {u"sidebar.tab.favorites"_s,
         {u"FAVORITES"_s, u"FAVORIS"_s, u"お気に入り"_s, u"FAVORITOS"_s}},
        {u"sidebar.tab.downloads"_s,
         {u"DOWNLOADS"_s, u"TÉLÉCHARGEMENTS"_s, u"ダウンロード"_s, u"DESCARGAS"_s}},
        {u"sidebar.search.placeholder"_s,
         {u"Filter the collection…"_s, u"Filtrer dans la collection…"_s, u"コレクション内を検索…"_s,
          u"Filtrar en la colección…"_s}},
        {u"sidebar.empty.favorites"_s,
         {u"No favorites"_s, u"Aucun favori"_s, u"お気に入りなし"_s, u"Sin favoritos"_s}},
        {u"sidebar.empty.downloads"_s,
         {u"No downloads"_s, u"Aucun téléchargement"_s, u"ダウンロードなし"_s, u"Sin descargas"_s}},
        {u"sidebar.empty.results"_s,
         {u"No results"_s, u"Aucun résultat"_s, u"結果なし"_s, u"Sin resultados"_s}},
        {u"sidebar.removeFavorite"_s,
         {u"Remove from favorites"_s, u"Retirer des favoris"_s, u"お気に入りから削除"_s,
          u"Quitar de favoritos"_s}},
        {u"sidebar.toggle.open"_s,
         {u"Open the collection (Favorites / Downloads)"_s,
          u"Ouvrir la collection (Favoris / Téléchargements)"_s,
          u"コレクションを開く(お気に入り / ダウンロード)"_s,
          u"Abrir la colección (Favoritos / Descargas)"_s}},
        {u"sidebar.toggle.close"_s,
         {u"Close the collection"_s, u"Fermer la collection"_s, u"コレクションを閉じる"_s,
          u"Cerrar la colección"_s}},
        {u"filter.all"_s, {u"ALL"_s, u"TOUS"_s, u"全て"_s, u"TODOS"_s}},
        {u"filter.mood"_s, {u"MOOD"_s, u"AMBIANCE"_s, u"ムード"_s, u"ESTADO"_s}},
        {u"filter.genre"_s, {u"GENRE"_s, u"GENRE"_s, u"ジャンル"_s, u"GÉNERO"_s}},
        {u"filter.tempo"_s, {u"TEMPO"_s, u"TEMPO"_s, u"テンポ"_s, u"TEMPO"_s}},
        {u"filter.vocal"_s, {u"VOCAL"_s, u"VOIX"_s, u"ボーカル"_s, u"VOZ"_s}},
        {u"track.info"_s, {u"INFO"_s, u"INFO"_s, u"情報"_s, u"INFO"_s}},
        {u"track.license"_s, {u"LICENSE"_s, u"LICENCE"_s, u"ライセンス"_s, u"LICENCIA"_s}},
        {u"track.license.subject"_s,
         {u"License Request"_s, u"Demande de licence"_s, u"ライセンスリクエスト"_s,
          u"Solicitud de licencia"_s}},
        {u"track.composer"_s, {u"Composer"_s, u"Compositeur"_s, u"作曲家"_s, u"Compositor"_s}},
        {u"track.year"_s, {u"Year"_s, u"Année"_s, u"年"_s, u"Año"_s}},
        {u"track.album"_s, {u"Album"_s, u"Album"_s, u"アルバム"_s, u"Álbum"_s}},
        {u"track.duration"_s, {u"Duration"_s, u"Durée"_s, u"再生時間"_s, u"Duración"_s}},
        {u"track.key"_s, {u"Key"_s, u"Tonalité"_s, u"キー"_s, u"Tonalidad"_s}},
        {u"track.bpm"_s, {u"BPM"_s, u"BPM"_s, u"BPM"_s, u"BPM"_s}},
        {u"track.isrc"_s, {u"ISRC"_s, u"ISRC"_s, u"ISRC"_s, u"ISRC"_s}},
        {u"drag.help.idle"_s,
         {u"Click to download · Hover to prep drag"_s,
          u"Cliquer pour télécharger · Survoler pour préparer le drag"_s,
          u"クリックでダウンロード · ホバーでドラッグ準備"_s,
          u"Clic para descargar · Pasar el cursor para preparar el arrastre"_s}},
        {u"drag.help.loading"_s,
         {u"Downloading…"_s, u"Téléchargement en cours…"_s, u"ダウンロード中…"_s,
          u"Descargando…"_s}},
        {u"drag.help.ready"_s,
         {u"Drag to Ableton, Desktop, Finder"_s, u"Glisser vers Ableton, Bureau, Finder"_s,
          u"Ableton、デスクトップ、Finderへドラッグ"_s,
          u"Arrastra a Ableton, Escritorio, Finder"_s}},
        {u"player.previous"_s,
         {u"Previous track"_s, u"Morceau précédent"_s, u"前の曲"_s, u"Pista anterior"_s}},
        {u"player.next"_s,
         {u"Next track"_s, u"Morceau suivant"_s, u"次の曲"_s, u"Pista siguiente"_s}},
        {u"player.play"_s, {u"Play"_s, u"Lecture"_s, u"再生"_s, u"Reproducir"_s}},
        {u"player.pause"_s, {u"Pause"_s, u"Pause"_s, u"一時停止"_s, u"Pausa"_s}},
    };
}

// Columns: en (never used), fr, ja, es.
Table buildTagTranslations() {
    return Table{
        {u"tension"_s, {QString(), u"Tension"_s, u"緊張"_s, u"Tensión"_s}},
        {u"energetic"_s, {QString(), u"Énergique"_s, u"エネルギッシュ"_s, u"Enérgico"_s}},
        {u"cinematic"_s, {QString(), u"Cinématique"_s, u"シネマティック"_s, u"Cinematográfico"_s}},
        {u"dark"_s, {QString(), u"Sombre"_s, u"ダーク"_s, u"Oscuro"_s}},
        {u"atmospheric"_s,
         {QString(), u"Atmosphérique"_s, u"アトモスフェリック"_s, u"Atmosférico"_s}},
        {u"emotional"_s, {QString(), u"Émotionnel"_s, u"感情的"_s, u"Emocional"_s}},
        {u"melancholic"_s, {QString(), u"Mélancolique"_s, u"メランコリック"_s, u"Melancólico"_s}},
        {u"urban"_s, {QString(), u"Urbain"_s, u"アーバン"_s, u"Urbano"_s}},
        {u"dreamy"_s, {QString(), u"Rêveur"_s, u"ドリーミー"_s, u"Soñador"_s}},
        {u"calm"_s, {QString(), u"Calme"_s, u"穏やか"_s, u"Calmado"_s}},
        {u"intense"_s, {QString(), u"Intense"_s, u"強烈"_s, u"Intenso"_s}},
        {u"hopeful"_s, {QString(), u"Plein d'espoir"_s, u"希望的"_s, u"Esperanzador"_s}},
        {u"mysterious"_s, {QString(), u"Mystérieux"_s, u"神秘的"_s, u"Misterioso"_s}},
        {u"ethereal"_s, {QString(), u"Éthéré"_s, u"エセリアル"_s, u"Etéreo"_s}},
        {u"introspective"_s, {QString(), u"Introspectif"_s, u"内省的"_s, u"Introspectivo"_s}},
        {u"nostalgic"_s, {QString(), u"Nostalgique"_s, u"ノスタルジック"_s, u"Nostálgico"_s}},
        {u"haunting"_s, {QString(), u"Obsédant"_s, u"ホーンティング"_s, u"Inquietante"_s}},
        {u"powerful"_s, {QString(), u"Puissant"_s, u"パワフル"_s, u"Poderoso"_s}},
        {u"epic"_s, {QString(), u"Épique"_s, u"エピック"_s, u"Épico"_s}},
        {u"dramatic"_s, {QString(), u"Dramatique"_s, u"ドラマティック"_s, u"Dramático"_s}},
        {u"romantic"_s, {QString(), u"Romantique"_s, u"ロマンティック"_s, u"Romántico"_s}},
        {u"playful"_s, {QString(), u"Joueur"_s, u"プレイフル"_s, u"Juguetón"_s}},
        {u"minimal"_s, {QString(), u"Minimal"_s, u"ミニマル"_s, u"Mínimo"_s}},
        {u"hypnotic"_s, {QString(), u"Hypnotique"_s, u"ヒプノティック"_s, u"Hipnótico"_s}},
        {u"raw"_s, {QString(), u"Brut"_s, u"ロー"_s, u"Crudo"_s}},
        {u"fragile"_s, {QString(), u"Fragile"_s, u"フラジャイル"_s, u"Frágil"_s}},
        {u"peaceful"_s, {QString(), u"Paisible"_s, u"平和"_s, u"Pacífico"_s}},
        {u"serene"_s, {QString(), u"Serein"_s, u"セレーン"_s, u"Sereno"_s}},
        {u"electronic"_s, {QString(), u"Électronique"_s, u"エレクトロニック"_s, u"Electrónica"_s}},
        {u"orchestral"_s, {QString(), u"Orchestral"_s, u"オーケストラ"_s, u"Orquestal"_s}},
        {u"experimental"_s, {QString(), u"Expérimental"_s, u"実験"_s, u"Experimental"_s}},
        {u"neo-classical"_s, {QString(), u"Néo-classique"_s, u"ネオクラシカル"_s, u"Neoclásico"_s}},
        {u"indie"_s, {QString(), u"Indie"_s, u"インディー"_s, u"Indie"_s}},
        {u"slow"_s, {QString(), u"Lent"_s, u"スロー"_s, u"Lento"_s}},
        {u"medium"_s, {QString(), u"Moyen"_s, u"ミディアム"_s, u"Medio"_s}},
        {u"fast"_s, {QString(), u"Rapide"_s, u"ファスト"_s, u"Rápido"_s}},
        {u"vocal"_s, {QString(), u"Voix"_s, u"ボーカル"_s, u"Vocal"_s}},
        {u"instrumental"_s,
         {QString(), u"Instrumental"_s, u"インストルメンタル"_s, u"Instrumental"_s}},
    };
}

// A view of the caller's characters as a QString key, without copying them: QHash of this Qt
// version cannot look up by QStringView.
QString borrowed(QStringView text) {
    return QString::fromRawData(text.data(), text.size());
}

const QString* textIn(const Texts& texts, AppLanguage language) {
    const QString& text = texts[static_cast<std::size_t>(language)];
    return text.isNull() ? nullptr : &text;
}

} // namespace

const Table& strings() {
    static const Table table = buildStrings();
    return table;
}

const Table& tagTranslations() {
    static const Table table = buildTagTranslations();
    return table;
}

QString t(QStringView key, AppLanguage language) {
    const Table& table = strings();
    const auto it = table.constFind(borrowed(key));
    if (it == table.cend())
        return key.toString();
    if (const QString* text = textIn(*it, language))
        return *text;
    if (const QString* english = textIn(*it, AppLanguage::En))
        return *english;
    return key.toString();
}

QString translateTag(const QString& tag, AppLanguage language) {
    if (language == AppLanguage::En)
        return tag;

    const Table& table = tagTranslations();
    // Tags are short ASCII words: lower-case them on the stack. Anything else takes the general
    // Unicode lower-casing, which can change the length.
    QVarLengthArray<char16_t, 32> lower;
    QString lowered;
    bool ascii = true;
    for (QChar c : tag) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            ascii = false;
            break;
        }
        lower.append(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
    }
    QStringView key;
    if (ascii) {
        key = QStringView(lower.constData(), lower.size());
    } else {
        lowered = tag.toLower();
        key = lowered;
    }

    const auto it = table.constFind(borrowed(key));
    if (it != table.cend()) {
        if (const QString* text = textIn(*it, language))
            return *text;
    }
    return tag;
}

} // namespace aru::L10n
