export const liveCases = [];
