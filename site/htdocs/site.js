// The site's one script, loaded by the framed answer pages. The programs'
// fragments are kept byte for byte, so what they lack for keyboards and
// screen readers is added here, in the browser: names for their unnamed
// fields, empty alternatives for their decorative pictures, and a keyboard
// stop on a box that scrolls. (The guest book's inline blur handler is
// refused by the site's security policy.)
"use strict";

// Names for the fragments' fields that have no label, by field name: the
// dates pages' answer box (no name) and the guest book's box and footer.
// (The roots and circles pages' own forms are hidden by the style sheet.)
const fieldNames = {
  "": "Answer",
  hi: "Previous words",
  q: "Search the web",
  r: "Another word",
};

function hasName(field) {
  return field.labels.length > 0 || field.hasAttribute("aria-label") ||
      field.hasAttribute("aria-labelledby") || field.hasAttribute("title");
}

function nameFields(main) {
  for (const field of main.querySelectorAll("input, textarea")) {
    if (field.type === "submit" || field.type === "reset" || hasName(field)) continue;
    const name = fieldNames[field.name];
    if (name !== undefined) field.setAttribute("aria-label", name);
  }
}

// The fragments' pictures illustrate; the answer is in the text and the
// figure, so screen readers pass them by.
function quietPictures(main) {
  for (const picture of main.querySelectorAll('img[src*="images/"]')) picture.alt = "";
}

// A figure or the guest book's grid wider than the screen scrolls in its
// own box, which the keyboard must reach to scroll it (a box with a field
// or link inside is reached through them).
function reachScrollers(main) {
  for (const box of main.querySelectorAll(".answer-figure, center, td")) {
    const scrolls = getComputedStyle(box).overflowX === "auto" && box.scrollWidth > box.clientWidth;
    if (scrolls && box.querySelector("a[href], input, textarea, select, button") === null)
      box.tabIndex = 0;
    else box.removeAttribute("tabindex");
  }
}

const main = document.querySelector("main");
if (main !== null) {
  nameFields(main);
  quietPictures(main);
  reachScrollers(main);
  window.addEventListener("resize", () => reachScrollers(main));
}
