// The page's texts (and the operator's screen's) in the browser's language:
// the first of navigator.languages that has a catalogue (texts.js, built
// from the window's and gimbalctl's translations), else English, the page's
// own text. The document's `lang` says which. A text a catalogue lacks stays
// English.
//
// Mark a text the script shows with qsTr('...'); a text from elsewhere (the
// core, the station) goes through translated(text). The documents' own texts,
// labels, titles and placeholders are translated as the page loads, except
// inside an element marked translate="no".
(() => {
    const catalogues = globalThis.gimbalTexts || {};

    // Simplified Chinese: zh, zh-CN, zh-SG, zh-Hans...; not the traditional script.
    function simplifiedChinese(parts) {
        return !parts.some((part) => ['hant', 'tw', 'hk', 'mo'].includes(part));
    }

    function chooseLanguage(wanted) {
        for (const tag of wanted) {
            const parts = String(tag).toLowerCase().split(/[-_]/);
            if (parts[0] === 'en') return 'en';
            if (parts[0] === 'zh') {
                if (simplifiedChinese(parts.slice(1)) && catalogues['zh-CN']) return 'zh-CN';
            } else if (catalogues[parts[0]]) {
                return parts[0];
            }
        }
        return 'en';
    }

    const wanted = navigator.languages && navigator.languages.length ? navigator.languages
        : [navigator.language || 'en'];
    const language = chooseLanguage(wanted);
    const texts = language === 'en' ? {} : catalogues[language] || {};

    const has = (key) => Object.prototype.hasOwnProperty.call(texts, key);

    // The text in the page's language. The core's lines come with or without
    // their line feed; blanks around a text stay where they were.
    function translated(english) {
        const text = String(english);
        if (has(text)) return texts[text];
        if (has(text + '\n')) return texts[text + '\n'].replace(/\n$/, '');
        const core = text.trim();
        if (core === text || !has(core)) return text;
        const start = text.indexOf(core);
        return text.slice(0, start) + texts[core] + text.slice(start + core.length);
    }

    const kAttributes = ['aria-label', 'title', 'placeholder', 'alt'];
    const kSkipped = new Set(['SCRIPT', 'STYLE', 'CODE']);

    function translateTree(root) {
        if (root.nodeType === Node.ELEMENT_NODE) {
            if (root.getAttribute('translate') === 'no' || kSkipped.has(root.tagName)) return;
            for (const name of kAttributes) {
                if (root.hasAttribute(name)) root.setAttribute(name, translated(root.getAttribute(name)));
            }
        }
        for (const child of root.childNodes) {
            if (child.nodeType === Node.TEXT_NODE) {
                if (child.data.trim()) child.data = translated(child.data);
            } else {
                translateTree(child);
            }
        }
    }

    globalThis.qsTr = translated;
    globalThis.translated = translated;
    globalThis.pageLanguage = language;
    document.documentElement.lang = language;
    if (language === 'en') return;
    const translatePage = () => {
        document.title = translated(document.title);
        translateTree(document.body);
    };
    if (document.readyState === 'loading') {
        document.addEventListener('DOMContentLoaded', translatePage, { once: true });
    } else {
        translatePage();
    }
})();
